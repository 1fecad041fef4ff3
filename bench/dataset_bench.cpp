// Client dataset over the largest list the form loads: 50,000 registers
// (5,000 branches x 10 registers). Measures loading, the branch filter switch,
// navigation across a filtered view and memory per row, next to baselines on
// the packet's own rows so the figures read as ratios.
#include "platform/client_dataset.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>

// Live heap bytes, counted by replacing the global allocation functions.
// malloc_usable_size gives the size on delete as well, so the count stays
// right whichever delete form the library calls.
namespace {
std::atomic<long long> g_liveBytes{0};

void* CountedAlloc(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  g_liveBytes.fetch_add(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
  return p;
}

void CountedFree(void* p) noexcept {
  if (!p) return;
  g_liveBytes.fetch_sub(static_cast<long long>(malloc_usable_size(p)), std::memory_order_relaxed);
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, std::size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, std::size_t) noexcept { CountedFree(p); }

namespace totem {
namespace {

constexpr int kBranches = 5000;
constexpr int kRegistersPerBranch = 10;
constexpr int kRows = kBranches * kRegistersPerBranch;

std::vector<FieldDef> RegisterFields() {
  return {{"CHAVE", FieldType::Text, 10, "", false},   {"CDCAIXA", FieldType::Text, 3, "Código"},
          {"NMCAIXA", FieldType::Text, 30, "Nome"},    {"NMLOJA", FieldType::Text, 50, "Loja"},
          {"CDFILIAL", FieldType::Text, 4, "", false}, {"CDLOJA", FieldType::Text, 20, ""}};
}

std::string Padded(int value, int width) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
  return buffer;
}

// Names of believable length: register names of 20-30 characters and store
// names of 35-50, most of them too long for the small-string buffer.
const DataPacket& RegisterPacket() {
  static const DataPacket packet = [] {
    static const char* const kPlaces[] = {"Frente de Loja", "Praça de Alimentação", "Drive-Thru",
                                          "Balcão Principal", "Totem Entrada"};
    static const char* const kStores[] = {"Restaurante Bom Sabor - Shopping Vila Nova",
                                          "Lanchonete Central - Av. Paulista",
                                          "Padaria Pão Dourado - Unidade Jardim América"};
    DataPacket p;
    p.fields = {{"CHAVE", FieldType::Text, 10},   {"CDCAIXA", FieldType::Text, 3},
                {"NMCAIXA", FieldType::Text, 30}, {"NMLOJA", FieldType::Text, 50},
                {"CDFILIAL", FieldType::Text, 4}, {"CDLOJA", FieldType::Text, 20}};
    p.rows.reserve(kRows);
    for (int b = 1; b <= kBranches; ++b) {
      const std::string branch = Padded(b, 4);
      const std::string store = std::string(kStores[b % 3]) + " " + Padded(b, 4);
      for (int r = 1; r <= kRegistersPerBranch; ++r) {
        const std::string code = Padded(r, 3);
        p.rows.push_back({branch + code, code, "Caixa " + code + " " + kPlaces[r % 5], store,
                          branch, "LJ" + branch});
      }
    }
    return p;
  }();
  return packet;
}

std::string BranchFilter(int branch) {
  return "CDFILIAL = " + ClientDataset::QuoteLiteral(Padded(branch, 4));
}

// Baseline: what merely copying the packet's rows costs.
void BM_Baseline_CopyPacketRows(benchmark::State& state) {
  const DataPacket& packet = RegisterPacket();
  for (auto _ : state) {
    std::vector<PacketRow> copy = packet.rows;
    benchmark::DoNotOptimize(copy.data());
  }
  const long long before = g_liveBytes.load();
  std::vector<PacketRow> copy = packet.rows;
  state.counters["bytes_per_row"] = static_cast<double>(g_liveBytes.load() - before) / kRows;
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Baseline_CopyPacketRows)->Unit(benchmark::kMillisecond);

void BM_SetData(benchmark::State& state) {
  const DataPacket& packet = RegisterPacket();
  for (auto _ : state) {
    ClientDataset ds("cdsCaixa", RegisterFields());
    ds.SetData(packet);
    benchmark::DoNotOptimize(ds.RecordCount());
  }
  const long long before = g_liveBytes.load();
  ClientDataset ds("cdsCaixa", RegisterFields());
  ds.SetData(packet);
  state.counters["bytes_per_row"] = static_cast<double>(g_liveBytes.load() - before) / kRows;
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SetData)->Unit(benchmark::kMillisecond);

// Baseline: one pass over the packet's rows collecting one branch.
void BM_Baseline_ScanPacketForBranch(benchmark::State& state) {
  const DataPacket& packet = RegisterPacket();
  const std::string branch = Padded(kBranches / 2, 4);
  std::vector<int> matches;
  for (auto _ : state) {
    matches.clear();
    for (int i = 0; i < kRows; ++i) {
      if (packet.rows[i][4] == branch) matches.push_back(i);
    }
    benchmark::DoNotOptimize(matches.data());
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Baseline_ScanPacketForBranch)->Unit(benchmark::kMicrosecond);

// Switching the branch filter on over the whole list (switching it off again
// is left out of the timing).
void BM_FilterOn(benchmark::State& state) {
  ClientDataset ds("cdsCaixa", RegisterFields());
  ds.SetData(RegisterPacket());
  ds.SetFilter(BranchFilter(kBranches / 2));
  for (auto _ : state) {
    ds.SetFiltered(true);
    benchmark::DoNotOptimize(ds.RecordCount());
    state.PauseTiming();
    ds.SetFiltered(false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FilterOn)->Unit(benchmark::kMicrosecond);

// What choosing another branch does to the list: filter off, new text, on.
void BM_BranchChange(benchmark::State& state) {
  ClientDataset ds("cdsCaixa", RegisterFields());
  ds.SetData(RegisterPacket());
  int branch = 0;
  for (auto _ : state) {
    ds.SetFiltered(false);
    ds.SetFilter(BranchFilter(branch % kBranches + 1));
    ds.SetFiltered(true);
    benchmark::DoNotOptimize(ds.RecordCount());
    branch += 7;
  }
}
BENCHMARK(BM_BranchChange)->Unit(benchmark::kMicrosecond);

// Next over every row of a filtered view of 5,000 rows (the first register of
// every branch). Argument 1 adds an after-scroll handler that builds the
// register caption the way the form does; 0 measures the move alone.
void BM_NextAcrossFilteredView(benchmark::State& state) {
  ClientDataset ds("cdsCaixa", RegisterFields());
  ds.SetData(RegisterPacket());
  ds.SetFilter("CDCAIXA = '001'");
  ds.SetFiltered(true);
  std::size_t captionBytes = 0;
  if (state.range(0) != 0) {
    ds.SetAfterScroll([&](ClientDataset& d) {
      captionBytes += (d.FieldAsString("CDCAIXA") + "-" + d.FieldAsString("NMCAIXA") + "-" +
                       d.FieldAsString("NMLOJA"))
                          .size();
    });
  }
  const int moves = ds.RecordCount() - 1;
  for (auto _ : state) {
    state.PauseTiming();
    ds.First();
    state.ResumeTiming();
    for (int i = 0; i < moves; ++i) ds.Next();
    benchmark::DoNotOptimize(ds.RecNo());
  }
  benchmark::DoNotOptimize(captionBytes);
  state.SetItemsProcessed(state.iterations() * moves);
}
BENCHMARK(BM_NextAcrossFilteredView)
    ->ArgName("caption")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace totem

BENCHMARK_MAIN();
