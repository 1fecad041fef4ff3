#pragma once
// A dialog provider for tests: it answers every dialog from a script and
// records what was shown. Install it for a test with
//   ScriptedDialogs dialogs;
//   host::ScopedDialogProvider scope(dialogs);
// A keyboard, keypad or search dialog opened with no answer left in its
// queue fails the test (and answers "nothing entered"). Message boxes need
// no answer: without one they answer the result of their first button.
#include "host/components/dialog_provider.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace totem::test {

class ScriptedDialogs : public host::DialogProvider {
 public:
  struct ShownMessage {
    bool touch = false;  // TouchMessageDlg (true) or the standard MessageDlg
    QString text;
    host::TMsgDlgType type = host::mtCustom;
    host::TMsgDlgButtons buttons;
  };
  struct SearchCall {
    std::string dataset;  // the dataset's name
    QString title;
    int rows = 0;  // rows the list would have shown
  };
  struct QuantityCall {
    QString prompt;
    int kind = 0;
    QString maxDigits;
  };

  ~ScriptedDialogs() override;

  // Answers, used in order per kind of dialog.
  void AnswerMessage(int modalResult);
  void AnswerKeyboard(const QString& text);
  void AnswerQuantity(double value);
  void PickRow(int recNo);  // the search list picks this row (view index)
  void PickWhere(const std::string& field, const std::string& value);
  void CancelSearch();

  // Everything shown so far, in order.
  const std::vector<ShownMessage>& Messages() const { return messages_; }
  QStringList MessageTexts() const;
  const std::vector<QString>& KeyboardCalls() const { return keyboardCalls_; }  // current texts
  const std::vector<int>& KeyboardLimits() const { return keyboardLimits_; }    // maxLength of each
  const std::vector<SearchCall>& SearchCalls() const { return searchCalls_; }
  const std::vector<QuantityCall>& QuantityCalls() const { return quantityCalls_; }
  // Scripted answers nobody asked for.
  int UnusedAnswers() const;

  int MessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                 int helpCtx) override;
  int TouchMessageDlg(const QString& text, host::TMsgDlgType type, host::TMsgDlgButtons buttons,
                      int helpCtx, int defaultResult, const QString& caption) override;
  QString TecladoAlfanumerico(const QString& current, const QString& prompt,
                              int maxLength) override;
  bool Pesquisa(ClientDataset& dataset, const QString& title, const QString& showSearch,
                const QString& initialSearch, bool pickSingleRow) override;
  double InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) override;

 private:
  struct SearchAnswer {
    std::optional<int> recNo;  // none: cancel, unless a field match is given
    std::string field;
    std::string value;
  };
  int Message(bool touch, const QString& text, host::TMsgDlgType type,
              host::TMsgDlgButtons buttons);

  std::deque<int> messageAnswers_;
  std::deque<QString> keyboardAnswers_;
  std::deque<double> quantityAnswers_;
  std::deque<SearchAnswer> searchAnswers_;
  std::vector<ShownMessage> messages_;
  std::vector<QString> keyboardCalls_;
  std::vector<int> keyboardLimits_;
  std::vector<SearchCall> searchCalls_;
  std::vector<QuantityCall> quantityCalls_;
};

// Points the host application's settings at a server, as --server would.
void AimHostAt(const std::string& host, int port);

}  // namespace totem::test
