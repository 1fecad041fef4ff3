#pragma once
// Loads a plug-in module's shared library and finds its entries, saying why
// when it cannot: file missing, not loadable, entry missing, wrong protocol.
// The loader answers a code and what it concerns; the text a person reads
// is made where it is shown (LoadErrorText, main_window.h).
#include <QString>

#include <memory>

class QLibrary;

namespace totem::app {

enum class LoadError {
  None,           // loaded
  FileMissing,    // no file at the path
  NotLoadable,    // the system would not load it; detail: its reason
  EntryMissing,   // detail: the first entry it does not export
  OtherProtocol,  // built for another loader protocol; detail: that version
};

class ModuleLoader {
 public:
  explicit ModuleLoader(QString path);
  ~ModuleLoader();  // runs Finalize and unloads

  // Loads the library and runs Initialize once; anything but None says why
  // it could not, and stays in Error() and ErrorDetail().
  LoadError Load();
  bool Loaded() const { return loaded_; }
  // Calls the module's IniProc; exceptions from it reach the caller.
  void IniProc();
  void Unload();

  const QString& Path() const { return path_; }
  LoadError Error() const { return error_; }
  const QString& ErrorDetail() const { return detail_; }

 private:
  QString path_;
  LoadError Fail(LoadError error, QString detail = {});

  LoadError error_ = LoadError::None;
  QString detail_;
  std::unique_ptr<QLibrary> library_;
  void (*iniProc_)() = nullptr;
  void (*finalize_)() = nullptr;
  bool loaded_ = false;
};

// Where the kiosk parameter module is: TOTEM_MODULE, else beside the host
// application, else in the installed module folder as seen from the host's
// (bin/../lib/totem-backoffice), else the build tree. When none of them
// holds it, the installed path, so that the error names where the package
// puts it. (main() lets --module PATH override all of these.)
QString DefaultModulePath();

}  // namespace totem::app
