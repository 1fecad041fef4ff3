#pragma once
// Where the application server is: set once by the host application from its
// command line, environment or settings file, and read by the modules through
// Norvexa::WebURL and Norvexa::WebPort every time a connection opens.
#include "platform/errors.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class QProcessEnvironment;
class QSettings;

namespace totem::host {

// An address that cannot be used; the message says what is wrong with it.
class AddressError : public TotemError {
 public:
  using TotemError::TotemError;
};

struct ServerAddress {
  std::string scheme = "http";  // "http" or "https"
  std::string host;             // name, IPv4, or IPv6 in brackets ("[::1]")
  int port = 0;
  bool operator==(const ServerAddress&) const = default;
};

// Accepts "http://HOST:PORT", "https://HOST:PORT" and "HOST:PORT" (taken as
// http), with blanks around and one trailing "/" tolerated. The port is
// required (the server has no well-known one). Throws AddressError.
ServerAddress ParseServerAddress(std::string_view text);

// Where the address came from, for the host's log and its error messages.
enum class SettingSource { None, CommandLine, Environment, SettingsFile };

struct HostSettingsValues {
  std::optional<ServerAddress> server;
  std::string token;
  std::string caFile;  // PEM authorities for an https server; empty: the system's
  SettingSource serverSource = SettingSource::None;
  // Touch terminal: the host's window covers the whole screen, without the
  // window manager's frame.
  bool fullScreen = false;
};

// The host application's settings, one copy per process (this library is
// shared by the host and its modules).
class HostSettings {
 public:
  static HostSettings& Current();

  void Set(HostSettingsValues values) { values_ = std::move(values); }
  const HostSettingsValues& Values() const { return values_; }
  void SetServer(ServerAddress address, SettingSource source);
  void SetToken(std::string token) { values_.token = std::move(token); }

 private:
  HostSettingsValues values_;
};

// Reads the settings, first found wins for each:
//   server: "--server ADDRESS" or "--server=ADDRESS" in arguments, else the
//           environment variable TOTEM_SERVER, else "server/address" in the
//           settings file;
//   token:  "--token T" / "--token=T", else TOTEM_TOKEN, else "server/token";
//   CA file: "--ca-file F" / "--ca-file=F", else TOTEM_CA_FILE, else
//           "server/ca_file";
//   full screen: "--fullscreen" in arguments, else "screen/fullscreen" in
//           the settings file (true/false).
// A missing server leaves it unset. A source that has an address which does
// not parse throws AddressError naming the source; a later source is not
// tried then, so a typing error is not hidden by an old setting.
HostSettingsValues LoadHostSettings(const QStringList& arguments,
                                    const QProcessEnvironment& environment, QSettings& file);

// The host application's settings file: backoffice.ini in the user's
// configuration folder ("totem" organisation).
QString DefaultSettingsFilePath();

namespace Norvexa {
// The server as a URL without the port ("http://127.0.0.1"); empty while the
// host application has set no server.
std::string WebURL();
// The server's port; 0 while no server is set.
int WebPort();
// Credential the host application was given; empty when none.
std::string WebToken();
// Certificate authorities (PEM file) that an https server's certificate must
// come from; empty: the ones the system trusts.
std::string WebCaFile();
}  // namespace Norvexa

}  // namespace totem::host
