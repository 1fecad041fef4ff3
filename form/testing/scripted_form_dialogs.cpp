#include "form/testing/scripted_form_dialogs.h"

#include "host/components/error_handling.h"
#include "platform/client_dataset.h"
#include "platform/column_names.h"

#include <gtest/gtest.h>

namespace totem::test {

void ScriptedFormDialogs::AnswerCopy(form::Destinos destinos, bool apply) {
  copyAnswers_.emplace_back(std::move(destinos), apply);
}

void ScriptedFormDialogs::ReadHistory(int pages) { historyAnswers_.push_back(pages); }

void ScriptedFormDialogs::AnswerUndo(Undo key, std::string number, bool confirm) {
  undoAnswers_.push_back({key, std::move(number), confirm});
}

int ScriptedFormDialogs::UnusedAnswers() const {
  return ScriptedDialogs::UnusedAnswers() +
         static_cast<int>(copyAnswers_.size() + historyAnswers_.size() + undoAnswers_.size());
}

form::Destinos ScriptedFormDialogs::CopiaParametros(const CaixaKey& origem, const ClientDataset&,
                                                    const ClientDataset& caixas,
                                                    const form::CopyPreview& preview,
                                                    const form::FieldLabels&) {
  copyCalls_.push_back({origem, caixas.RecordCount(), {}});
  if (copyAnswers_.empty()) {
    ADD_FAILURE() << "CopiaParametros opened with no scripted answer";
    return {};
  }
  auto [destinos, apply] = copyAnswers_.front();
  copyAnswers_.pop_front();
  copyCalls_.back().preview = preview(destinos);  // "Avançar"
  return apply ? destinos : form::Destinos{};
}

void ScriptedFormDialogs::HistoricoParametros(const QString& caixa, const form::HistoryPage& page,
                                              const form::FieldLabels&,
                                              const form::UndoActions& undo) {
  historyCalls_.push_back({caixa, {}, {}});
  if (historyAnswers_.empty()) {
    ADD_FAILURE() << "HistoricoParametros opened with no scripted answer";
    return;
  }
  const int pages = historyAnswers_.front();
  historyAnswers_.pop_front();
  // Each further page starts below the oldest save of the one before.
  QString before;
  for (int i = 0; i < pages; ++i) {
    DataPacket shown = page(before);
    const int number = shown.ColumnIndex(contract::col::NRGRAVACAO);
    if (number >= 0 && !shown.rows.empty() && shown.rows.back()[number])
      before = QString::fromStdString(*shown.rows.back()[number]);
    historyCalls_.back().pages.push_back(std::move(shown));
  }
  if (undoAnswers_.empty()) return;
  const UndoAnswer answer = undoAnswers_.front();
  undoAnswers_.pop_front();
  const bool restaura = answer.key == Undo::kRestaura;
  // As the real keys do, a refusal stops here and the history stays open.
  host::RunGuarded([&] {
    historyCalls_.back().undoPreview =
        restaura ? undo.restauraPrevia(answer.number) : undo.desfazPrevia(answer.number);
    if (!answer.confirm) return;
    if (restaura)
      undo.restaura(answer.number);
    else
      undo.desfaz(answer.number);
  });
}

}  // namespace totem::test
