#include "host/components/error_handling.h"

#include "gui_test_helpers.h"
#include "host/components/dialog_provider.h"
#include "host/components/message_dlg.h"
#include "host/testing/scripted_dialogs.h"
#include "platform/client_dataset.h"
#include "platform/errors.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <stdexcept>

namespace totem::host {
namespace {

using test::ScriptedDialogs;

class EventEntryTest : public ::testing::Test {
 protected:
  ScriptedDialogs dialogs;
  ScopedDialogProvider scope{dialogs};
};

TEST_F(EventEntryTest, SilentAbortIsSwallowedQuietly) {
  EXPECT_TRUE(RunGuarded([] {}));
  EXPECT_FALSE(RunGuarded([] { throw SilentAbort(); }));
  EXPECT_TRUE(dialogs.Messages().empty());
}

TEST_F(EventEntryTest, OtherExceptionsAreShownAsAnErrorWithTheirMessage) {
  EXPECT_FALSE(RunGuarded([] { throw ConnectionError("Servidor fora do ar."); }));
  EXPECT_FALSE(RunGuarded([] { throw std::runtime_error("falha genérica"); }));
  ASSERT_EQ(dialogs.Messages().size(), 2u);
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"Servidor fora do ar.", "falha genérica"}));
  for (const auto& m : dialogs.Messages()) {
    EXPECT_TRUE(m.touch) << "the default handler uses the touch message box";
    EXPECT_EQ(m.type, mtError);
    EXPECT_EQ(m.buttons, TMsgDlgButtons{mbOK});
  }
}

TEST_F(EventEntryTest, ExceptionsOfNoKnownTypeAreShownAsUnexpected) {
  EXPECT_FALSE(RunGuarded([] { throw 42; }));
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"Erro inesperado."}));
}

TEST_F(EventEntryTest, GuardedConnectionStopsTheExceptionAtTheSignal) {
  QPushButton button;
  QObject::connect(&button, &QPushButton::clicked,
                   Guarded([](bool) { throw TotemError("clicou"); }));
  QObject::connect(&button, &QPushButton::clicked, Guarded([] { throw TotemError("sem args"); }));
  EXPECT_NO_THROW(button.click());
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"clicou", "sem args"}));
}

// An object whose event handler fails, like a form handler bound without a
// guard.
class FailingObject : public QObject {
 public:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw TotemError("evento falhou");
    if (e->type() == QEvent::User + 1) throw SilentAbort();
    return QObject::event(e);
  }
};

TEST_F(EventEntryTest, ApplicationCatchesWhatReachesTheEventLoop) {
  FailingObject object;
  QEvent failing(QEvent::User);
  QEvent aborting(static_cast<QEvent::Type>(QEvent::User + 1));
  EXPECT_NO_THROW(QCoreApplication::sendEvent(&object, &failing));
  EXPECT_NO_THROW(QCoreApplication::sendEvent(&object, &aborting));
  EXPECT_EQ(dialogs.MessageTexts(), QStringList({"evento falhou"}));
}

class ThrowingProvider : public ScriptedDialogs {
 public:
  int MessageDlg(const QString&, TMsgDlgType, TMsgDlgButtons, int) override {
    throw std::runtime_error("sem tela");
  }
  int TouchMessageDlg(const QString&, TMsgDlgType, TMsgDlgButtons, int, int,
                      const QString&) override {
    throw std::runtime_error("sem tela");
  }
};

TEST(ShowExceptionTest, NeverThrowsEvenWhenTheDialogFails) {
  ThrowingProvider provider;
  ScopedDialogProvider scope(provider);
  EXPECT_NO_THROW(ShowException(std::runtime_error("x")));
  EXPECT_FALSE(RunGuarded([] { throw TotemError("y"); }));
}

// Without a scripted provider and without the touch dialog package, the
// real standard message dialog answers.
TEST(StandardMessageDialogTest, ShowsTheExceptionsMessageInARealErrorBox) {
  QString shownText, shownTitle;
  test::WhenModalOpens([&](QDialog* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    ASSERT_NE(box, nullptr);
    shownText = box->text();
    shownTitle = box->windowTitle();
    EXPECT_EQ(box->buttons().size(), 1);
    test::Touch(box, QString("button%1").arg(int(mbOK)));
  });
  EXPECT_FALSE(RunGuarded([] { throw TotemError("Caixa não cadastrado."); }));
  EXPECT_EQ(shownText, QString("Caixa não cadastrado."));
  EXPECT_EQ(shownTitle, QString("Erro"));
}

// With no touch dialogs installed, a screen that asks for one is told so in
// an error box instead of getting a silent "nothing entered".
TEST(StandardMessageDialogTest, MissingTouchDialogsAreReportedNotSilent) {
  auto dataset = ClientDataset("cdsFilial", {});
  const std::pair<const char*, std::function<void()>> asks[] = {
      {"o teclado na tela", [] { EXPECT_EQ(Dialogs().TecladoAlfanumerico("a", "", 0), ""); }},
      {"a lista de pesquisa",
       [&] { EXPECT_FALSE(Dialogs().Pesquisa(dataset, "", "S", "", false)); }},
      {"o teclado numérico", [] { EXPECT_EQ(Dialogs().InfoQuantidade("Dia", 1, "2"), -1); }},
  };
  for (const auto& [dialog, ask] : asks) {
    QString shown;
    test::WhenModalOpens([&](QDialog* box) {
      shown = qobject_cast<QMessageBox*>(box)->text();
      test::Touch(box, QString("button%1").arg(int(mbOK)));
    });
    ask();
    EXPECT_TRUE(shown.startsWith(QString("Não foi possível abrir ") + dialog))
        << shown.toStdString();
  }
}

TEST(StandardMessageDialogTest, AnswersTheResultOfThePressedButton) {
  test::WhenModalOpens([](QDialog* dialog) {
    EXPECT_EQ(dialog->findChildren<QPushButton*>().size(), 2);
    test::Touch(dialog, QString("button%1").arg(int(mbNo)));
  });
  EXPECT_EQ(MessageDlg("Gravar?", mtConfirmation, {mbYes, mbNo}, 0), mrNo);
}

}  // namespace
}  // namespace totem::host
