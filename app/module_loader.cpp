#include "app/module_loader.h"

#include "host/components/module_interface.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <cstdio>

namespace totem::app {

ModuleLoader::ModuleLoader(QString path) : path_(std::move(path)) {}

ModuleLoader::~ModuleLoader() { Unload(); }

bool ModuleLoader::Load() {
  if (loaded_) return true;
  error_.clear();
  if (!QFileInfo::exists(path_)) {
    error_ = QStringLiteral("Módulo não encontrado: %1").arg(path_);
    return false;
  }
  library_ = std::make_unique<QLibrary>(path_);
  if (!library_->load()) {
    error_ = QStringLiteral("Não foi possível carregar o módulo %1: %2")
                 .arg(path_, library_->errorString());
    library_.reset();
    return false;
  }
  using namespace host;
  auto info = reinterpret_cast<TotemGetPackageInfoTable>(library_->resolve(kEntryGetPackageInfoTable));
  auto initialize = reinterpret_cast<TotemInitialize>(library_->resolve(kEntryInitialize));
  finalize_ = reinterpret_cast<TotemFinalize>(library_->resolve(kEntryFinalize));
  iniProc_ = reinterpret_cast<TotemIniProc>(library_->resolve(kEntryIniProc));
  const char* missing = !info ? kEntryGetPackageInfoTable
                        : !initialize ? kEntryInitialize
                        : !finalize_ ? kEntryFinalize
                        : !iniProc_ ? kEntryIniProc
                                    : nullptr;
  if (missing) {
    error_ = QStringLiteral("O módulo %1 não exporta a entrada %2.").arg(path_, missing);
    library_->unload();
    library_.reset();
    return false;
  }
  if (info()->version != kLoaderProtocol) {
    error_ = QStringLiteral("O módulo %1 usa a versão %2 do protocolo de módulos; esperada %3.")
                 .arg(path_)
                 .arg(info()->version)
                 .arg(kLoaderProtocol);
    library_->unload();
    library_.reset();
    return false;
  }
  initialize();
  loaded_ = true;
  // Which file was loaded, for whoever wonders which installation runs.
  std::fprintf(stderr, "backoffice: módulo %s carregado\n", qPrintable(path_));
  return true;
}

void ModuleLoader::IniProc() {
  if (loaded_) iniProc_();
}

void ModuleLoader::Unload() {
  if (!loaded_) return;
  finalize_();
  library_->unload();
  library_.reset();
  loaded_ = false;
}

// The module's folder is found from the program's own, so an installed
// host finds its module wherever the package was unpacked.
QString DefaultModulePath() {
  const QString name = QStringLiteral("Pkg_Ksl80500.so");
  if (qEnvironmentVariableIsSet("TOTEM_MODULE")) return qEnvironmentVariable("TOTEM_MODULE");
  const QDir programDir(QCoreApplication::applicationDirPath());
  const QString installed = QDir::cleanPath(programDir.filePath(QStringLiteral(TOTEM_MODULE_DIR_FROM_PROGRAM "/") + name));
  for (const QString& candidate : {programDir.filePath(name), installed, QStringLiteral(TOTEM_MODULE_BUILD_PATH)})
    if (QFileInfo::exists(candidate)) return candidate;
  return installed;
}

}  // namespace totem::app
