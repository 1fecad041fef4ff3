#include "host/components/host_settings.h"

#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace totem::host {
namespace {

struct GoodAddress {
  const char* text;
  ServerAddress expected;
};

class ParseGoodAddressTest : public ::testing::TestWithParam<GoodAddress> {};

TEST_P(ParseGoodAddressTest, SplitsSchemeHostAndPort) {
  EXPECT_EQ(ParseServerAddress(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ParseGoodAddressTest,
    ::testing::Values(GoodAddress{"http://127.0.0.1:8080", {"http", "127.0.0.1", 8080}},
                      GoodAddress{"https://servidor.loja:443/", {"https", "servidor.loja", 443}},
                      GoodAddress{"HTTP://Host:1", {"http", "Host", 1}},
                      GoodAddress{"  localhost:65535  ", {"http", "localhost", 65535}},
                      GoodAddress{"[::1]:9000", {"http", "[::1]", 9000}},
                      GoodAddress{"http://[fe80::1]:80", {"http", "[fe80::1]", 80}}));

struct BadAddress {
  const char* text;
  const char* reason;  // part of the message that says what is wrong
};

class ParseBadAddressTest : public ::testing::TestWithParam<BadAddress> {};

TEST_P(ParseBadAddressTest, RefusesWithAMessageSayingWhy) {
  try {
    ParseServerAddress(GetParam().text);
    FAIL() << "accepted \"" << GetParam().text << '"';
  } catch (const AddressError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos)
        << "\"" << GetParam().text << "\": " << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, ParseBadAddressTest,
    ::testing::Values(
        BadAddress{"", "não informado"}, BadAddress{"   ", "não informado"},
        BadAddress{"ftp://h:21", "protocolo"}, BadAddress{"servidor", "porta não informada"},
        BadAddress{"http://servidor:", "porta não informada"},
        BadAddress{"h:0", "porta \"0\" inválida"}, BadAddress{"h:65536", "inválida"},
        BadAddress{"h:12a", "inválida"}, BadAddress{"h:-1", "inválida"},
        BadAddress{"h:0000080000", "inválida"}, BadAddress{"http://h:80/rpc", "sem caminho"},
        BadAddress{":8080", "servidor não informado"}, BadAddress{"::1:80", "colchetes"},
        BadAddress{"[::1:80", "colchete"}, BadAddress{"user@h:80", "caractere inválido"},
        BadAddress{"h h:80", "caractere inválido"}));

class LoadHostSettingsTest : public ::testing::Test {
 protected:
  LoadHostSettingsTest() : file(dir.filePath("backoffice.ini"), QSettings::IniFormat) {}

  HostSettingsValues Load(const QStringList& args) {
    return LoadHostSettings(QStringList{"backoffice"} + args, env, file);
  }

  QTemporaryDir dir;
  QSettings file;
  QProcessEnvironment env;
};

TEST_F(LoadHostSettingsTest, CommandLineThenEnvironmentThenFileForServerAndToken) {
  env.insert("TOTEM_SERVER", "env:2");
  env.insert("TOTEM_TOKEN", "do-ambiente");
  file.setValue("server/address", "https://file:3");
  file.setValue("server/token", "do-arquivo");
  auto values = Load({"--server", "http://cli:1", "--token=da-linha"});
  EXPECT_EQ(values.server, (ServerAddress{"http", "cli", 1}));
  EXPECT_EQ(values.serverSource, SettingSource::CommandLine);
  EXPECT_EQ(values.token, "da-linha");
  EXPECT_EQ(Load({"--server=cli:5"}).server->port, 5);

  values = Load({});
  EXPECT_EQ(values.server->host, "env");
  EXPECT_EQ(values.serverSource, SettingSource::Environment);
  EXPECT_EQ(values.token, "do-ambiente");

  env.insert("TOTEM_SERVER", "  ");  // blank counts as missing
  env.remove("TOTEM_TOKEN");
  values = Load({});
  EXPECT_EQ(values.server, (ServerAddress{"https", "file", 3}));
  EXPECT_EQ(values.serverSource, SettingSource::SettingsFile);
  EXPECT_EQ(values.token, "do-arquivo");
}

TEST_F(LoadHostSettingsTest, NothingConfiguredLeavesTheServerUnset) {
  const auto values = Load({"--open-totem"});
  EXPECT_FALSE(values.server.has_value());
  EXPECT_EQ(values.serverSource, SettingSource::None);
  EXPECT_TRUE(values.token.empty());
  EXPECT_FALSE(values.fullScreen);
}

TEST_F(LoadHostSettingsTest, FullScreenFromTheCommandLineOrTheSettingsFile) {
  EXPECT_TRUE(Load({"--fullscreen"}).fullScreen);
  file.setValue("screen/fullscreen", "true");
  EXPECT_TRUE(Load({}).fullScreen);
  file.setValue("screen/fullscreen", "false");
  EXPECT_FALSE(Load({}).fullScreen);
}

TEST_F(LoadHostSettingsTest, BadAddressOrMissingValueIsRefusedNamingTheSource) {
  env.insert("TOTEM_SERVER", "env:2");
  try {
    Load({"--server", "cli"});
    FAIL() << "accepted an address without port";
  } catch (const AddressError& e) {
    EXPECT_NE(std::string(e.what()).find("--server"), std::string::npos) << e.what();
  }
  EXPECT_THROW(Load({"--server"}), AddressError);
  EXPECT_THROW(Load({"--server", "--open-totem"}), AddressError);
  env.insert("TOTEM_SERVER", "env:x");
  EXPECT_THROW(Load({}), AddressError);
}

class WebAddressTest : public ::testing::Test {
 protected:
  ~WebAddressTest() override { HostSettings::Current().Set(saved); }
  HostSettingsValues saved = HostSettings::Current().Values();
};

TEST_F(WebAddressTest, ReflectsTheHostApplicationsSettingsOnEveryRead) {
  HostSettings::Current().Set({});
  EXPECT_EQ(Norvexa::WebURL(), "");
  EXPECT_EQ(Norvexa::WebPort(), 0);

  HostSettings::Current().SetServer(ParseServerAddress("127.0.0.1:8123"),
                                    SettingSource::CommandLine);
  EXPECT_EQ(Norvexa::WebURL(), "http://127.0.0.1");
  EXPECT_EQ(Norvexa::WebPort(), 8123);

  HostSettings::Current().SetServer(ParseServerAddress("https://outro:9443"),
                                    SettingSource::Environment);
  HostSettings::Current().SetToken("t");
  EXPECT_EQ(Norvexa::WebURL(), "https://outro");
  EXPECT_EQ(Norvexa::WebPort(), 9443);
  EXPECT_EQ(Norvexa::WebToken(), "t");
}

}  // namespace
}  // namespace totem::host
