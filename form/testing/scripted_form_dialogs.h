#pragma once
// The host's scripted dialogs, answering the screen's own copy and history
// dialogs from the same script. Install it for a test with both scopes:
//   ScriptedFormDialogs dialogs;
//   host::ScopedDialogProvider hostScope(dialogs);
//   form::ScopedRegisterDialogs formScope(dialogs);
// A copy or history dialog opened with no answer left fails the test.
#include "form/touch/register_dialogs.h"
#include "host/testing/scripted_dialogs.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace totem::test {

class ScriptedFormDialogs : public ScriptedDialogs, public form::RegisterDialogs {
 public:
  struct CopyCall {
    CaixaKey origem;
    int registers = 0;   // registers offered (every register of every branch)
    DataPacket preview;  // what "Avançar" showed
  };
  struct HistoryCall {
    QString caixa;
    std::vector<DataPacket> pages;  // every page asked for, newest first
    DataPacket undoPreview;         // what a put-back key showed, if one was pressed
  };
  // A key of the history that puts back: on a save, or on a copy.
  enum class Undo { kRestaura, kDesfaz };

  // The copy dialog checks these registers, shows the preview, then applies
  // (or, with apply false, cancels on the preview page).
  void AnswerCopy(form::Destinos destinos, bool apply = true);
  // The history dialog is read this many pages deep ("Mais antigos").
  void ReadHistory(int pages);
  // After reading its pages, the history dialog presses the key that puts
  // back save (or copy) number, shows the preview and confirms it (or, with
  // confirm false, cancels there).
  void AnswerUndo(Undo key, std::string number, bool confirm = true);

  const std::vector<CopyCall>& CopyCalls() const { return copyCalls_; }
  const std::vector<HistoryCall>& HistoryCalls() const { return historyCalls_; }
  // Scripted answers nobody asked for, of every kind.
  int UnusedAnswers() const;

  form::Destinos CopiaParametros(const CaixaKey& origem, const ClientDataset& filiais,
                                 const ClientDataset& caixas, const form::CopyPreview& preview,
                                 const form::FieldLabels& labels) override;
  void HistoricoParametros(const QString& caixa, const form::HistoryPage& page,
                           const form::FieldLabels& labels, const form::UndoActions& undo) override;

 private:
  std::deque<std::pair<form::Destinos, bool>> copyAnswers_;
  std::deque<int> historyAnswers_;
  struct UndoAnswer {
    Undo key;
    std::string number;
    bool confirm;
  };
  std::deque<UndoAnswer> undoAnswers_;
  std::vector<CopyCall> copyCalls_;
  std::vector<HistoryCall> historyCalls_;
};

}  // namespace totem::test
