#include "platform/errors.h"
#include "service/dataset_fields.h"
#include "service/remote_parametros_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

using namespace totem;
using service::RemoteParametrosClient;

namespace {

class ParametrosClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir;
    server_ = new test::ServerProcess({dir_->File("svc.db"), true, {}});
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }
  void SetUp() override {
    connection_.SetServerName(std::string(contract::kServerName));
    connection_.SetBeforeConnect([this] {
      connection_.SetHost(server_->Host());
      connection_.SetPort(server_->Port());
    });
  }
  static const DataPacket& PacketOf(const ResultEnvelope& e) {
    EXPECT_TRUE(e.ok) << e.code << " " << e.message;
    if (!e.packet) throw std::runtime_error("no packet");
    return *e.packet;
  }
  // First register of the demo chain that has a parameter record.
  std::pair<std::string, std::string> RegisterWithRecord() {
    auto caixas = service::MakeCdsCaixa();
    caixas->SetData(PacketOf(client_.getConfCaixa()));
    auto par = service::MakeCdsCarregaPar();
    for (caixas->First();; caixas->Next()) {
      auto f = caixas->FieldAsString("CDFILIAL"), c = caixas->FieldAsString("CDCAIXA");
      par->SetData(PacketOf(client_.getCarregaPar(f, c)));
      if (!par->IsEmpty()) return {f, c};
      if (caixas->Eof()) break;
    }
    throw std::runtime_error("demo chain has no parameter record");
  }

  static test::TempDir* dir_;
  static test::ServerProcess* server_;
  SocketConnection connection_;
  RemoteParametrosClient client_{connection_};
};
test::TempDir* ParametrosClientTest::dir_ = nullptr;
test::ServerProcess* ParametrosClientTest::server_ = nullptr;

}  // namespace

TEST_F(ParametrosClientTest, ListsFillTheirDatasets) {
  auto filial = service::MakeCdsFilial();
  auto caixa = service::MakeCdsCaixa();
  auto grupos = service::MakeCdsPesqGrupProd();
  filial->SetData(PacketOf(client_.getFilial()));
  caixa->SetData(PacketOf(client_.getConfCaixa()));
  grupos->SetData(PacketOf(client_.getPesqGrupProd()));
  EXPECT_GE(filial->RecordCount(), 8);
  EXPECT_LE(filial->RecordCount(), 15);
  EXPECT_GT(caixa->RecordCount(), filial->RecordCount());
  EXPECT_GE(grupos->RecordCount(), 15);
  // CHAVE is the branch code followed by the register code.
  EXPECT_EQ(caixa->FieldAsString("CHAVE"),
            caixa->FieldAsString("CDFILIAL") + caixa->FieldAsString("CDCAIXA"));
}

TEST_F(ParametrosClientTest, RecordReadBindsEveryField) {
  auto [filial, caixa] = RegisterWithRecord();
  auto par = service::MakeCdsCarregaPar();
  par->SetData(PacketOf(client_.getCarregaPar(filial, caixa)));
  EXPECT_EQ(par->RecordCount(), 1);
  EXPECT_FALSE(par->FieldAsString("IDTIPEXTTOT").empty());

  auto verif = service::MakeCdsVerifPar();
  verif->SetData(PacketOf(client_.getVerifPar(filial, caixa)));
  EXPECT_EQ(verif->FieldAsString("CDCAIXA"), caixa);
}

TEST_F(ParametrosClientTest, SaveSendsThirteenTextsAndIsReadBack) {
  auto [filial, caixa] = RegisterWithRecord();
  std::string tipo = "2", grupo = "", exiMsg = "S", diaIni = "5", diaFin = "20", seg = "45",
              menIni = "Bem-vindo à loja", menAdi = "Promoção de verão", selLoja = "S",
              infClie = "N", menCon = "Consulte seu saldo";
  service::ParametrosRefs refs{&tipo,   &grupo,  &exiMsg,  &diaIni,  &diaFin, &seg,
                               &menIni, &menAdi, &selLoja, &infClie, &menCon};
  auto saved = client_.setUpdParametros(filial, caixa, refs);
  ASSERT_TRUE(saved.ok) << saved.message;
  EXPECT_EQ(menAdi, "Promoção de verão");

  auto par = service::MakeCdsCarregaPar();
  par->SetData(PacketOf(client_.getCarregaPar(filial, caixa)));
  EXPECT_EQ(par->FieldAsString("IDTIPEXTTOT"), "2");
  EXPECT_EQ(par->FieldAsString("NRDIAINITOT"), "5");
  EXPECT_EQ(par->FieldAsString("NRDIAFINTOT"), "20");
  EXPECT_EQ(par->FieldAsString("NRSEGFECTOT"), "45");
  EXPECT_EQ(par->FieldAsString("DSMSGADITOT"), "Promoção de verão");
  EXPECT_EQ(par->FieldAsString("IDSELLOJTOT"), "S");
  EXPECT_EQ(par->FieldAsString("IDINFCLIECAI"), "N");
  EXPECT_EQ(par->FieldAsString("DSMSGCONTOT"), "Consulte seu saldo");
}

TEST_F(ParametrosClientTest, RefusalComesBackAsAnEnvelopeNotAnException) {
  auto [filial, caixa] = RegisterWithRecord();
  std::string tipo = "3", grupo = "", exiMsg = "S", diaIni = "", diaFin = "", seg = "10",
              menIni = "", menAdi = "", selLoja = "N", infClie = "N", menCon = "";
  service::ParametrosRefs refs{&tipo,   &grupo,  &exiMsg,  &diaIni,  &diaFin, &seg,
                               &menIni, &menAdi, &selLoja, &infClie, &menCon};
  auto refused = client_.setUpdParametros(filial, caixa, refs);
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.code, "GRUP_INF");
  EXPECT_EQ(refused.message, "Grupo de produtos deve ser informado.");
}

TEST_F(ParametrosClientTest, RegisterWithoutRecordReadsAsAnEmptyDataset) {
  auto par = service::MakeCdsCarregaPar();
  par->SetData(PacketOf(client_.getCarregaPar("0001", "")));
  EXPECT_TRUE(par->IsEmpty());
  EXPECT_EQ(par->FieldAsString("DSMSGINITOT"), "");
}

TEST(ParametrosClientDeadServer, TransportFailureIsAnException) {
  SocketConnection connection;
  connection.SetServerName(std::string(contract::kServerName));
  connection.SetHost("127.0.0.1");
  connection.SetPort(1);  // nothing listens on port 1 here
  RemoteParametrosClient client(connection);
  EXPECT_THROW(client.getFilial(), ConnectionError);
}
