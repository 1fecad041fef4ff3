// Rules of the server's own that need no server process: the token file's,
// and how a database is named in the log.
#include "server/http/access_tokens.h"
#include "server/store/store.h"
#include "server/store/store_factory.h"

#include <gtest/gtest.h>

namespace totem::server {
namespace {

TEST(TokenFile, ProblemsAreNamedByLineWithoutShowingTheToken) {
  const std::string secret = "s3gr3do-que-nao-aparece";
  struct Case {
    const char* what;
    std::string content;
    std::string message;  // part of what the refusal says
  };
  const Case cases[] = {
      {"a token without a name", secret + "\n", "tokens:1: esperado NOME TOKEN"},
      {"the single-token format of old", "\n" + secret + "\n", "tokens:2:"},
      {"a short token", "loja1 curto\n", "tokens:1: o token loja1 é curto demais"},
      {"a name used twice", "loja1 " + secret + "\nloja1:" + secret + "x\n",
       "tokens:2: o nome loja1 já foi usado na linha 1"},
      {"a token given twice", "loja1 " + secret + "\nloja2 " + secret + "\n",
       "tokens:2: o token de loja2 é o mesmo da linha 1"},
      {"a name with a slash", "lo/ja " + secret + "\n", "tokens:1: nome de token inválido"},
      {"a name without a token", "loja1:\n", "tokens:1: o token loja1 está vazio"},
      {"only comments", "# ninguém\n\n", "não tem nenhum token"},
      {"a scope that is none", "loja1 " + secret + " tudo\n",
       "tokens:1: escopo desconhecido para o token loja1"},
      {"branches without a scope word", "loja1 " + secret + " 0001,0007\n",
       "tokens:1: escopo desconhecido para o token loja1"},
      {"an empty item in the reach", "loja1 " + secret + " escrita 0001,,0007\n",
       "tokens:1: alcance inválido para o token loja1: o item 2 da lista"},
      {"a register code too long", "loja1 " + secret + " leitura 0001/0003\n",
       "tokens:1: alcance inválido para o token loja1: o item 1 da lista"},
      {"blanks inside the reach", "loja1 " + secret + " escrita 0001, 0007\n",
       "tokens:1: o alcance do token loja1 tem espaços"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      AccessTokens::Parse(c.content, "tokens");
      ADD_FAILURE() << "accepted";
    } catch (const TokenFileError& e) {
      const std::string said = e.what();
      EXPECT_NE(said.find(c.message), std::string::npos) << said;
      EXPECT_EQ(said.find(secret), std::string::npos) << said;
    }
  }
  const auto tokens =
      AccessTokens::Parse("# caixas\nloja1 " + secret + "\nloja2:" + secret + "2\n", "t");
  EXPECT_EQ(tokens.Size(), 2u);
  EXPECT_EQ(tokens.NameFor("Bearer " + secret + "2"), "loja2");
  const auto reader =
      AccessTokens::Parse("quiosque " + secret + "\tleitura\n", "t").Find("Bearer " + secret);
  ASSERT_TRUE(reader);
  EXPECT_TRUE(reader->readOnly);
  EXPECT_FALSE(tokens.Find("Bearer " + secret)->readOnly);
  EXPECT_TRUE(tokens.Find("Bearer " + secret)->reach.All());

  const auto scoped = AccessTokens::Parse(
      "quiosque " + secret + " leitura 0001/003\nfranquia " + secret + "2 escrita 0001,0007/002\n",
      "t");
  const auto kiosk = scoped.Find("Bearer " + secret),
             franchise = scoped.Find("Bearer " + secret + "2");
  ASSERT_TRUE(kiosk && franchise);
  EXPECT_TRUE(kiosk->readOnly && kiosk->reach.Reaches("0001", "003") &&
              kiosk->reach.Reaches("0001"));
  EXPECT_FALSE(kiosk->reach.Reaches("0001", "001"));
  EXPECT_TRUE(!franchise->readOnly && franchise->reach.Reaches("0001", "999") &&
              franchise->reach.Reaches("0007", "002"));
  EXPECT_FALSE(franchise->reach.Reaches("0007", "001") || franchise->reach.Reaches("0002"));
}

// A password never reaches the log, in either way of writing the address;
// a refused PostgreSQL connection is one line, like every other failure.
TEST(DatabaseForLog, HidesPasswordsAndFailuresAreOneLine) {
  EXPECT_EQ(DatabaseForLog("postgresql:host=db password=segredo dbname=totem"),
            "postgresql:host=db password=*** dbname=totem");
  EXPECT_EQ(DatabaseForLog("postgresql://totem:segredo@db/totem"),
            "postgresql://totem:***@db/totem");
  EXPECT_EQ(DatabaseForLog("sqlite:/var/lib/totem/totem.db"), "sqlite:/var/lib/totem/totem.db");
  try {
    OpenStore("postgresql:host=127.0.0.1 port=1 dbname=totem connect_timeout=2");
    ADD_FAILURE() << "a closed port connected";
  } catch (const StoreError& e) {
    EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace totem::server
