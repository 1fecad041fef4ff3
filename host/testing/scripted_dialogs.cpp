#include "host/testing/scripted_dialogs.h"

#include "host/components/host_settings.h"

#include "platform/client_dataset.h"

#include <gtest/gtest.h>

namespace totem::test {

ScriptedDialogs::~ScriptedDialogs() = default;

void ScriptedDialogs::AnswerMessage(int modalResult) { messageAnswers_.push_back(modalResult); }
void ScriptedDialogs::AnswerKeyboard(const QString& text) { keyboardAnswers_.push_back(text); }
void ScriptedDialogs::AnswerQuantity(double value) { quantityAnswers_.push_back(value); }
void ScriptedDialogs::PickRow(int recNo) { searchAnswers_.push_back({recNo, {}, {}}); }
void ScriptedDialogs::PickWhere(const std::string& field, const std::string& value) {
  searchAnswers_.push_back({std::nullopt, field, value});
}
void ScriptedDialogs::CancelSearch() { searchAnswers_.push_back({}); }

QStringList ScriptedDialogs::MessageTexts() const {
  QStringList texts;
  for (const auto& m : messages_) texts << m.text;
  return texts;
}

int ScriptedDialogs::UnusedAnswers() const {
  return static_cast<int>(messageAnswers_.size() + keyboardAnswers_.size() +
                          quantityAnswers_.size() + searchAnswers_.size());
}

int ScriptedDialogs::Message(bool touch, const QString& text, host::TMsgDlgType type,
                             host::TMsgDlgButtons buttons) {
  messages_.push_back({touch, text, type, buttons});
  if (messageAnswers_.empty()) return host::ModalResultOf(buttons.InOrder().front());
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

int ScriptedDialogs::MessageDlg(const QString& text, host::TMsgDlgType type,
                                host::TMsgDlgButtons buttons, int) {
  return Message(false, text, type, buttons);
}

int ScriptedDialogs::TouchMessageDlg(const QString& text, host::TMsgDlgType type,
                                     host::TMsgDlgButtons buttons, int, int, const QString&) {
  return Message(true, text, type, buttons);
}

QString ScriptedDialogs::TecladoAlfanumerico(const QString& current, const QString&,
                                             int maxLength) {
  keyboardCalls_.push_back(current);
  keyboardLimits_.push_back(maxLength);
  if (keyboardAnswers_.empty()) {
    ADD_FAILURE() << "TecladoAlfanumerico opened over \"" << current.toStdString()
                  << "\" with no scripted answer";
    return {};
  }
  QString answer = keyboardAnswers_.front();
  keyboardAnswers_.pop_front();
  return answer;
}

bool ScriptedDialogs::Pesquisa(ClientDataset& dataset, const QString& title, const QString&,
                               const QString&, bool) {
  searchCalls_.push_back({dataset.Name(), title, dataset.RecordCount()});
  if (searchAnswers_.empty()) {
    ADD_FAILURE() << "Pesquisa opened over " << dataset.Name() << " with no scripted answer";
    return false;
  }
  const SearchAnswer answer = searchAnswers_.front();
  searchAnswers_.pop_front();
  int recNo = answer.recNo.value_or(-1);
  if (!answer.field.empty()) {
    const int field = dataset.FieldIndex(answer.field);
    for (int r = 0; field >= 0 && r < dataset.RecordCount() && recNo < 0; ++r)
      if (dataset.ValueAt(r, field) == answer.value) recNo = r;
    if (recNo < 0) {
      ADD_FAILURE() << "Pesquisa over " << dataset.Name() << ": no row with " << answer.field
                    << " = " << answer.value;
      return false;
    }
  }
  if (recNo < 0) return false;
  if (recNo >= dataset.RecordCount()) {
    ADD_FAILURE() << "Pesquisa over " << dataset.Name() << ": row " << recNo << " of "
                  << dataset.RecordCount();
    return false;
  }
  dataset.MoveTo(recNo);
  return true;
}

double ScriptedDialogs::InfoQuantidade(const QString& prompt, int kind, const QString& maxDigits) {
  quantityCalls_.push_back({prompt, kind, maxDigits});
  if (quantityAnswers_.empty()) {
    ADD_FAILURE() << "InfoQuantidade opened (\"" << prompt.toStdString()
                  << "\") with no scripted answer";
    return -1;
  }
  const double answer = quantityAnswers_.front();
  quantityAnswers_.pop_front();
  return answer;
}

void AimHostAt(const std::string& host, int port) {
  host::ServerAddress address;
  address.host = host;
  address.port = port;
  host::HostSettings::Current().SetServer(address, host::SettingSource::CommandLine);
}

}  // namespace totem::test
