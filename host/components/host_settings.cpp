#include "host/components/host_settings.h"

#include <QDir>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>

namespace totem::host {
namespace {

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

[[noreturn]] void Fail(const std::string& address, const std::string& reason) {
  throw AddressError("Endereço do servidor inválido \"" + address + "\": " + reason);
}

int ParsePort(const std::string& address, const std::string& port) {
  if (port.empty()) Fail(address, "porta não informada (use HOST:PORTA).");
  const bool digits =
      std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
  const int value = digits && port.size() <= 5 ? std::stoi(port) : -1;
  if (value < 1 || value > 65535)
    Fail(address, "porta \"" + port + "\" inválida (use um número de 1 a 65535).");
  return value;
}

// Splits "HOST:PORT" or "[IPv6]:PORT" into host and port texts.
std::pair<std::string, std::string> SplitHostPort(const std::string& address,
                                                  const std::string& rest) {
  if (!rest.empty() && rest.front() == '[') {
    const auto close = rest.find(']');
    if (close == std::string::npos) Fail(address, "colchete do endereço IPv6 não fechado.");
    const std::string after = rest.substr(close + 1);
    if (after.empty()) return {rest.substr(0, close + 1), ""};
    if (after.front() != ':') Fail(address, "esperado \":PORTA\" depois do endereço IPv6.");
    return {rest.substr(0, close + 1), after.substr(1)};
  }
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos) return {rest, ""};
  std::string host = rest.substr(0, colon);
  if (host.find(':') != std::string::npos)
    Fail(address, "endereço IPv6 deve vir entre colchetes ([::1]:PORTA).");
  return {host, rest.substr(colon + 1)};
}

std::optional<QString> ArgumentValue(const QStringList& arguments, const QString& option) {
  const QString inline_ = option + QLatin1Char('=');
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    if (arguments[i].startsWith(inline_)) return arguments[i].mid(inline_.size());
    if (arguments[i] == option) {
      if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QLatin1String("--")))
        throw AddressError("Opção " + option.toStdString() + " sem valor.");
      return arguments[i + 1];
    }
  }
  return std::nullopt;
}

std::optional<QString> EnvironmentValue(const QProcessEnvironment& environment,
                                        const QString& name) {
  const QString value = environment.value(name);
  if (value.trimmed().isEmpty()) return std::nullopt;
  return value;
}

std::optional<QString> FileValue(QSettings& file, const QString& key) {
  const QString value = file.value(key).toString();
  if (value.trimmed().isEmpty()) return std::nullopt;
  return value;
}

ServerAddress ParseFrom(const QString& text, const std::string& origin) {
  try {
    return ParseServerAddress(text.toStdString());
  } catch (const AddressError& e) {
    throw AddressError(std::string(e.what()) + " (origem: " + origin + ")");
  }
}

}  // namespace

ServerAddress ParseServerAddress(std::string_view text) {
  const std::string address = Trimmed(text);
  if (address.empty())
    throw AddressError("Endereço do servidor não informado (use http://HOST:PORTA).");
  ServerAddress result;
  std::string rest = address;
  if (const auto sep = rest.find("://"); sep != std::string::npos) {
    result.scheme = Lower(rest.substr(0, sep));
    if (result.scheme != "http" && result.scheme != "https")
      Fail(address, "protocolo \"" + rest.substr(0, sep) + "\" não suportado (use http ou https).");
    rest = rest.substr(sep + 3);
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  if (rest.find('/') != std::string::npos)
    Fail(address, "informe só servidor e porta, sem caminho.");
  if (rest.find_first_of("@?# \t") != std::string::npos)
    Fail(address, "caractere inválido; use HOST:PORTA.");
  auto [host, port] = SplitHostPort(address, rest);
  if (host.empty() || host == "[]") Fail(address, "servidor não informado (use HOST:PORTA).");
  result.host = host;
  result.port = ParsePort(address, port);
  return result;
}

HostSettings& HostSettings::Current() {
  static HostSettings settings;
  return settings;
}

void HostSettings::SetServer(ServerAddress address, SettingSource source) {
  values_.server = std::move(address);
  values_.serverSource = source;
}

HostSettingsValues LoadHostSettings(const QStringList& arguments,
                                    const QProcessEnvironment& environment, QSettings& file) {
  HostSettingsValues values;
  if (auto v = ArgumentValue(arguments, QStringLiteral("--server"))) {
    values.server = ParseFrom(*v, "opção --server");
    values.serverSource = SettingSource::CommandLine;
  } else if (auto e = EnvironmentValue(environment, QStringLiteral("TOTEM_SERVER"))) {
    values.server = ParseFrom(*e, "variável de ambiente TOTEM_SERVER");
    values.serverSource = SettingSource::Environment;
  } else if (auto f = FileValue(file, QStringLiteral("server/address"))) {
    values.server = ParseFrom(*f, "arquivo " + file.fileName().toStdString());
    values.serverSource = SettingSource::SettingsFile;
  }

  if (auto v = ArgumentValue(arguments, QStringLiteral("--token")))
    values.token = v->toStdString();
  else if (auto e = EnvironmentValue(environment, QStringLiteral("TOTEM_TOKEN")))
    values.token = e->toStdString();
  else if (auto f = FileValue(file, QStringLiteral("server/token")))
    values.token = f->toStdString();

  if (auto v = ArgumentValue(arguments, QStringLiteral("--ca-file")))
    values.caFile = v->toStdString();
  else if (auto e = EnvironmentValue(environment, QStringLiteral("TOTEM_CA_FILE")))
    values.caFile = e->toStdString();
  else if (auto f = FileValue(file, QStringLiteral("server/ca_file")))
    values.caFile = f->toStdString();

  values.fullScreen = arguments.contains(QStringLiteral("--fullscreen")) ||
                      file.value(QStringLiteral("screen/fullscreen"), false).toBool();
  return values;
}

QString DefaultSettingsFilePath() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
      .filePath(QStringLiteral("totem/backoffice.ini"));
}

namespace Norvexa {

std::string WebURL() {
  const auto& server = HostSettings::Current().Values().server;
  return server ? server->scheme + "://" + server->host : std::string();
}

int WebPort() {
  const auto& server = HostSettings::Current().Values().server;
  return server ? server->port : 0;
}

std::string WebToken() { return HostSettings::Current().Values().token; }

std::string WebCaFile() { return HostSettings::Current().Values().caFile; }

}  // namespace Norvexa

}  // namespace totem::host
