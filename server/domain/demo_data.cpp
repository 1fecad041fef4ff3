#include "server/domain/demo_data.h"

#include "platform/column_names.h"

#include <array>
#include <string>

namespace totem::server {
namespace {

struct DemoFilial {
  const char* code;
  const char* name;
  int registers;
};

constexpr std::array<DemoFilial, 12> kFiliais = {{
    {"0001", "Matriz - Centro", 4},
    {"0002", "Shopping Iguatemi", 3},
    {"0003", "Aeroporto de Congonhas", 2},
    {"0004", "Praia de Boa Viagem", 3},
    {"0005", "Campinas Cambuí", 2},
    {"0006", "Curitiba Batel", 4},
    {"0007", "Porto Alegre Moinhos", 2},
    {"0008", "Belo Horizonte Savassi", 3},
    {"0009", "Centro de Distribuição", 0},
    {"0010", "Florianópolis Jurerê", 3},
    {"0011", "Salvador Barra", 2},
    {"0012", "Recife Antigo", 3},
}};

constexpr std::array<const char*, 4> kNomesCaixa = {"Caixa Principal", "Caixa Rápido",
                                                    "Bar e Bebidas", "Praça de Alimentação"};

constexpr std::array<const char*, 21> kGrupos = {"Bebidas",
                                                 "Refrigerantes",
                                                 "Sucos Naturais",
                                                 "Cervejas",
                                                 "Vinhos e Espumantes",
                                                 "Cafés e Chás",
                                                 "Sobremesas",
                                                 "Sorvetes",
                                                 "Lanches",
                                                 "Pratos Executivos",
                                                 "Saladas",
                                                 "Massas",
                                                 "Carnes Grelhadas",
                                                 "Frutos do Mar",
                                                 "Porções",
                                                 "Pizzas",
                                                 "Comida Japonesa",
                                                 "Padaria e Confeitaria",
                                                 "Combos Infantis",
                                                 "Açaí e Vitaminas",
                                                 "Pratos Vegetarianos"};

constexpr std::array<const char*, 4> kMensagensIniciais = {
    "Bem-vindo! Aproxime seu cartão de consumo do leitor.",
    "Olá! Consulte aqui o seu extrato de consumo.", "Confira seus pedidos antes de ir ao caixa.",
    "Seja bem-vindo ao Sabor da Terra. Bom apetite!"};

constexpr std::array<const char*, 3> kMensagensAdicionais = {
    "Dúvidas? Procure um de nossos atendentes.", "Aceitamos cartões de crédito, débito e Pix.", ""};

constexpr std::array<const char*, 3> kMensagensConsumidor = {
    "Digite o código impresso no seu cartão de consumo.",
    "Informe o número da comanda para ver o consumo.", "Obrigado pela preferência!"};

constexpr std::array<const char*, 5> kSegundos = {"30", "45", "60", "90", "120"};

std::string TwoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

const char* YesNo(bool yes) { return yes ? "S" : "N"; }

// The k-th register of the chain gets a record unless k is one less than a
// multiple of five; the records cycle through statement types 1, 2, 3 and
// alternate between the current month and a day interval.
ParametroTotem DemoParametro(const Caixa& caixa, int k) {
  ParametroTotem p;
  p.cdFilial = caixa.cdFilial;
  p.cdCaixa = caixa.cdCaixa;
  p[contract::col::IDTIPEXTTOT] = std::to_string(1 + k % 3);
  p[contract::col::CDGRUPPROD] =
      p[contract::col::IDTIPEXTTOT] == "3" ? "0" + TwoDigits(1 + (k * 7) % 21) : "";
  p[contract::col::IDSELLOJTOT] = p[contract::col::IDTIPEXTTOT] == "1" ? "N" : YesNo(k % 2 == 0);
  p[contract::col::IDEXIMSGSAL] = YesNo(k % 4 != 1);
  if (k % 2 == 1) {
    const int first = 1 + k % 10;
    p[contract::col::NRDIAINITOT] = std::to_string(first);
    p[contract::col::NRDIAFINTOT] = std::to_string(first + 15 + k % 6);
  }
  p[contract::col::NRSEGFECTOT] = kSegundos[static_cast<std::size_t>(k) % kSegundos.size()];
  p[contract::col::DSMSGINITOT] =
      kMensagensIniciais[static_cast<std::size_t>(k) % kMensagensIniciais.size()];
  p[contract::col::DSMSGADITOT] =
      kMensagensAdicionais[static_cast<std::size_t>(k) % kMensagensAdicionais.size()];
  p[contract::col::IDINFCLIECAI] = YesNo(k % 3 != 2);
  p[contract::col::DSMSGCONTOT] =
      kMensagensConsumidor[static_cast<std::size_t>(k) % kMensagensConsumidor.size()];
  return p;
}

}  // namespace

bool FillDemoData(Store& store) {
  auto tx = store.BeginWrite();
  // Checked inside the write transaction and under its lock, so of two
  // servers started together on one empty database only one fills it.
  if (!tx->IsEmptyLocked()) return false;

  for (std::size_t i = 0; i < kGrupos.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    tx->UpsertGrupo({"0" + TwoDigits(n), kGrupos[i],
                     "2024-" + TwoDigits(1 + n % 12) + "-" + TwoDigits(1 + (n * 3) % 28) + "T" +
                         TwoDigits(8 + n % 10) + ":" + TwoDigits((n * 7) % 60) + ":00",
                     std::string(YesNo(n % 3 == 0)), std::string(YesNo(n % 5 == 0))});
  }

  int k = 0;
  for (const auto& f : kFiliais) {
    tx->UpsertFilial({f.code, f.name});
    for (int r = 0; r < f.registers; ++r, ++k) {
      const bool cafe = r >= 2;
      Caixa caixa{f.code, "00" + std::to_string(r + 1), kNomesCaixa[static_cast<std::size_t>(r)],
                  std::string("LJ") + f.code + (cafe ? "-C" : "-R"),
                  std::string(cafe ? "Café Sabor da Terra " : "Sabor da Terra ") + f.name};
      tx->UpsertCaixa(caixa);
      if (k % 5 != 4) tx->UpsertParametro(DemoParametro(caixa, k));
    }
  }
  tx->Commit();
  return true;
}

}  // namespace totem::server
