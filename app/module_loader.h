#pragma once
// Loads a plug-in module's shared library and finds its entries, saying why
// when it cannot: file missing, not loadable, entry missing, wrong protocol.
#include <QString>

#include <memory>

class QLibrary;

namespace totem::app {

class ModuleLoader {
 public:
  explicit ModuleLoader(QString path);
  ~ModuleLoader();  // runs Finalize and unloads

  // Loads the library and runs Initialize once; false with Error() set when
  // it fails.
  bool Load();
  bool Loaded() const { return loaded_; }
  // Calls the module's IniProc; exceptions from it reach the caller.
  void IniProc();
  void Unload();

  const QString& Path() const { return path_; }
  const QString& Error() const { return error_; }

 private:
  QString path_;
  QString error_;
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
