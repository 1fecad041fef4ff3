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

LoadError ModuleLoader::Fail(LoadError error, QString detail) {
  if (library_ && library_->isLoaded()) library_->unload();
  library_.reset();
  error_ = error;
  detail_ = std::move(detail);
  return error;
}

LoadError ModuleLoader::Load() {
  if (loaded_) return LoadError::None;
  error_ = LoadError::None;
  detail_.clear();
  if (!QFileInfo::exists(path_)) return Fail(LoadError::FileMissing);
  library_ = std::make_unique<QLibrary>(path_);
  if (!library_->load()) return Fail(LoadError::NotLoadable, library_->errorString());
  using namespace host;
  auto info =
      reinterpret_cast<TotemGetPackageInfoTable>(library_->resolve(kEntryGetPackageInfoTable));
  auto initialize = reinterpret_cast<TotemInitialize>(library_->resolve(kEntryInitialize));
  finalize_ = reinterpret_cast<TotemFinalize>(library_->resolve(kEntryFinalize));
  iniProc_ = reinterpret_cast<TotemIniProc>(library_->resolve(kEntryIniProc));
  const char* missing = !info         ? kEntryGetPackageInfoTable
                        : !initialize ? kEntryInitialize
                        : !finalize_  ? kEntryFinalize
                        : !iniProc_   ? kEntryIniProc
                                      : nullptr;
  if (missing) return Fail(LoadError::EntryMissing, QString::fromLatin1(missing));
  if (info()->version != kLoaderProtocol)
    return Fail(LoadError::OtherProtocol, QString::number(info()->version));
  initialize();
  loaded_ = true;
  // Which file was loaded, for whoever wonders which installation runs.
  std::fprintf(stderr, "backoffice: módulo %s carregado\n", qPrintable(path_));
  return LoadError::None;
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
  const QString installed = QDir::cleanPath(
      programDir.filePath(QStringLiteral(TOTEM_MODULE_DIR_FROM_PROGRAM "/") + name));
  for (const QString& candidate :
       {programDir.filePath(name), installed, QStringLiteral(TOTEM_MODULE_BUILD_PATH)})
    if (QFileInfo::exists(candidate)) return candidate;
  return installed;
}

}  // namespace totem::app
