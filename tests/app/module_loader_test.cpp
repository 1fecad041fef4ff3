// The host application loading the real module: failures reported with the
// module's path and the reason, the screen opening against a real server,
// and unloading running the module's shut-down once.
#include "app/module_loader.h"
#include "app/main_window.h"
#include "app/screen_fit.h"
#include "host/components/dialog_provider.h"
#include "host/components/host_settings.h"
#include "host/testing/scripted_dialogs.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <QLibrary>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace totem;

namespace {

void AimAt(const std::string& host, int port) { test::AimHostAt(host, port); }

class HostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    server_ = new test::ServerProcess({dir_->File("host.db"), true, {}});
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  void SetUp() override { AimAt(server_->Host(), server_->Port()); }

  static test::TempDir* dir_;
  static test::ServerProcess* server_;
  test::ScriptedDialogs dialogs_;
  host::ScopedDialogProvider scope_{dialogs_};
};
test::TempDir* HostTest::dir_ = nullptr;
test::ServerProcess* HostTest::server_ = nullptr;

}  // namespace

TEST_F(HostTest, MissingModuleFileIsReportedWithItsPath) {
  app::ModuleLoader loader("/nonexistent/Pkg_Ksl80500.so");
  EXPECT_EQ(loader.Load(), app::LoadError::FileMissing);
  EXPECT_TRUE(app::LoadErrorText(loader).contains("/nonexistent/Pkg_Ksl80500.so"));
  EXPECT_TRUE(app::LoadErrorText(loader).contains(QStringLiteral("não encontrado")));
}

TEST_F(HostTest, UnfitLibrariesAreRefusedNamingThePathAndTheReason) {
  const std::tuple<const char*, app::LoadError, const char*> unfit[] = {
      {NO_ENTRIES_MODULE, app::LoadError::EntryMissing, "GetPackageInfoTable"},
      {OTHER_PROTOCOL_MODULE, app::LoadError::OtherProtocol,
       "usa a versão 2 do protocolo de módulos; esperada 1"},
  };
  for (const auto& [path, code, reason] : unfit) {
    app::ModuleLoader loader(path);
    EXPECT_EQ(loader.Load(), code);
    const QString text = app::LoadErrorText(loader);
    EXPECT_TRUE(text.contains(path)) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(reason))) << text.toStdString();
    EXPECT_FALSE(loader.Loaded());
  }
}

TEST_F(HostTest, MenuOpensOneScreenFromTheRealModule) {
  app::MainWindow window(app::DefaultModulePath());
  ASSERT_TRUE(window.OpenTotem()) << dialogs_.MessageTexts().join("\n").toStdString();
  ASSERT_TRUE(window.OpenTotem());
  EXPECT_EQ(window.MdiArea()->subWindowList().size(), 1);
  auto* screen = window.MdiArea()->subWindowList().front();
  EXPECT_EQ(screen->windowTitle(), QStringLiteral("Parametrização do Sistema Totem"));
  EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(HostTest, ServerDownWhenOpeningIsReportedAndALaterOpeningWorks) {
  app::MainWindow window(app::DefaultModulePath());
  AimAt("127.0.0.1", 1);
  EXPECT_FALSE(window.OpenTotem());
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_TRUE(dialogs_.Messages()[0].text.contains(QStringLiteral("Não foi possível conectar")))
      << dialogs_.Messages()[0].text.toStdString();
  EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty());

  AimAt(server_->Host(), server_->Port());
  EXPECT_TRUE(window.OpenTotem());
  EXPECT_EQ(window.MdiArea()->subWindowList().size(), 1);
}

TEST_F(HostTest, UnloadRunsTheModulesShutDownOnce) {
  app::MainWindow window(app::DefaultModulePath());
  ASSERT_TRUE(window.OpenTotem());
  // A second handle keeps the code mapped after the host lets go, so the
  // exported texts can be read after the shut-down.
  QLibrary keep(app::DefaultModulePath());
  ASSERT_TRUE(keep.load());
  auto* menIni = reinterpret_cast<std::string*>(keep.resolve("stMenIni"));
  ASSERT_NE(menIni, nullptr);
  *menIni = "Bem-vindo";
  window.UnloadModule();
  EXPECT_TRUE(window.MdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(*menIni, "");
  EXPECT_FALSE(window.Loader().Loaded());
}

// Closing the host's window asks when the screen holds edits not saved;
// the screen's own Sair does not ask.
TEST_F(HostTest, ClosingTheHostWithEditsPendingAsksFirst) {
  app::MainWindow window(app::DefaultModulePath());
  ASSERT_TRUE(window.OpenTotem());
  window.show();
  auto* screen = window.MdiArea()->subWindowList().front();
  auto* confirm = screen->findChild<QWidget*>("tcbConfirma");
  ASSERT_NE(confirm, nullptr);
  confirm->setEnabled(true);  // what every edit does
  dialogs_.AnswerMessage(host::mrNo);
  EXPECT_FALSE(window.close());
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_EQ(dialogs_.Messages()[0].text,
            QStringLiteral("Há alterações não gravadas. Fechar assim mesmo?"));
  EXPECT_TRUE(screen->isVisible());

  dialogs_.AnswerMessage(host::mrYes);
  EXPECT_TRUE(window.close());
  EXPECT_EQ(dialogs_.Messages().size(), 2u);

  ASSERT_TRUE(window.OpenTotem());
  screen = window.MdiArea()->subWindowList().back();
  screen->findChild<QWidget*>("tcbConfirma")->setEnabled(true);
  QMetaObject::invokeMethod(screen->findChild<QObject*>("spbSair"), "click");
  EXPECT_EQ(dialogs_.Messages().size(), 2u);  // Sair closes without asking
  EXPECT_FALSE(screen->isVisible());
}

// The chrome keeps its size: only what is inside it is scaled.
TEST(ScreenFitTest, ScaleFitsTheLaidOutAreaIntoTheScreen) {
  const struct {
    QSize available;
    double scale;
  } rows[] = {
      {{1280, 1024}, 1.0}, {{1024, 768}, 1.0},  {{816, 686}, 1.0}, {{800, 600}, 0.85},
      {{640, 480}, 0.65},  {{640, 1024}, 0.78}, {{0, 0}, 1.0},
  };
  for (const auto& r : rows)
    EXPECT_DOUBLE_EQ(app::FitScale(r.available, QSize(800, 590), QSize(16, 96)), r.scale)
        << r.available.width() << "x" << r.available.height();
}

// Qt's offscreen screen is 800 x 600: the host opens maximised, never larger.
TEST(ScreenFitTest, HostWindowNeverExceedsTheWorkArea) {
  app::MainWindow window(app::DefaultModulePath());
  app::ShowFitted(&window, false);
  EXPECT_TRUE(window.isMaximized());
  const QRect work = window.screen()->availableGeometry();
  EXPECT_LE(window.width(), work.width());
  EXPECT_LE(window.height(), work.height());
}
