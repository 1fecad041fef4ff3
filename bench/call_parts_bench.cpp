// Where one getCarregaPar call spends its time outside the network: the
// server's dispatch (parse, store read, encode) and the client's decoding
// into the dataset. Baseline: copying the request body.
#include "platform/json_rpc.h"
#include "server/domain/demo_data.h"
#include "server/domain/parametros_module.h"
#include "server/rpc/rpc_dispatch.h"
#include "server/store/store_factory.h"
#include "service/dataset_fields.h"

#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>

using namespace totem;

namespace {

struct Fixture {
  std::string path;
  std::unique_ptr<server::Store> store;
  std::unique_ptr<server::ParametrosModule> module;
  std::unique_ptr<server::RpcDispatcher> dispatcher;
  std::string request;

  Fixture() {
    path = (std::filesystem::temp_directory_path() /
            ("call-parts-" + std::to_string(getpid()) + ".db"))
               .string();
    store = server::OpenStore("sqlite:" + path, true);
    server::FillDemoData(*store);
    module = std::make_unique<server::ParametrosModule>(*store);
    dispatcher = std::make_unique<server::RpcDispatcher>(*module);
    auto caixas = service::MakeCdsCaixa();
    caixas->SetData(*module->GetConfCaixa().packet);
    request = rpc::EncodeRequest(
        1, "getCarregaPar", {caixas->FieldAsString("CDFILIAL"), caixas->FieldAsString("CDCAIXA")});
  }
  ~Fixture() {
    dispatcher.reset();
    module.reset();
    store.reset();
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_Baseline_CopyRequest(benchmark::State& state) {
  auto& f = Shared();
  for (auto _ : state) {
    std::string copy = f.request;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_Baseline_CopyRequest);

void BM_Server_StoreRead(benchmark::State& state) {
  auto& f = Shared();
  auto parsed = std::get<rpc::Request>(rpc::ParseRequest(f.request));
  for (auto _ : state)
    benchmark::DoNotOptimize(f.module->GetCarregaPar(parsed.params[0], parsed.params[1]));
}
BENCHMARK(BM_Server_StoreRead);

void BM_Server_WholeDispatch(benchmark::State& state) {
  auto& f = Shared();
  for (auto _ : state) benchmark::DoNotOptimize(f.dispatcher->Handle(f.request));
}
BENCHMARK(BM_Server_WholeDispatch);

void BM_Client_DecodeIntoDataset(benchmark::State& state) {
  auto& f = Shared();
  const std::string answer = f.dispatcher->Handle(f.request);
  auto par = service::MakeCdsCarregaPar();
  for (auto _ : state) {
    auto response = rpc::ParseResponse(answer);
    par->SetData(*response.envelope.packet);
  }
}
BENCHMARK(BM_Client_DecodeIntoDataset);

void BM_Server_ListAllRegisters(benchmark::State& state) {
  auto& f = Shared();
  const std::string body = rpc::EncodeRequest(1, "getConfCaixa", {});
  for (auto _ : state) benchmark::DoNotOptimize(f.dispatcher->Handle(body));
}
BENCHMARK(BM_Server_ListAllRegisters);

}  // namespace

namespace {
void BM_Client_ParseOnly(benchmark::State& state) {
  auto& f = Shared();
  const std::string answer = f.dispatcher->Handle(f.request);
  for (auto _ : state) benchmark::DoNotOptimize(rpc::ParseResponse(answer));
}
BENCHMARK(BM_Client_ParseOnly);
}  // namespace

BENCHMARK_MAIN();
