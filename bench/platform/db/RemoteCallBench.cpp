// Calls on an application server object over a loopback socket connection against the same
// calls in-process: a method with a small argument, and a client data set fetching 10,000 rows
// of 8 fields from a provider.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/db/AppServerHost.h"
#include "platform/db/DBClient.h"
#include "platform/db/Provider.h"
#include "platform/db/SConnect.h"

using namespace vcl;

namespace {

constexpr int kRows = 10000;

class TEchoServer : public TRemoteDataModule {
 public:
  TEchoServer() {
    DefineMethod("Echo", [](std::vector<Variant>& args) {
      CheckArgCount(args, 1);
      return args[0].Deref();
    });
    // The packet is built once: the benchmark measures moving and loading it.
    static const Variant packet = MakePacket();
    AddProvider(std::make_shared<TProvider>("Rows", [](int) { return packet; }));
  }

 private:
  static Variant MakePacket() {
    std::vector<TPacketField> fields = {
        {"ID", TFieldType::ftInteger, 0, "", 0, true, true},
        {"NAME", TFieldType::ftString, 40, "Name", 0, true, false},
        {"AMOUNT", TFieldType::ftFloat, 0, "", 0, true, false},
        {"PRICE", TFieldType::ftCurrency, 0, "", 0, true, false},
        {"BOOKED", TFieldType::ftDateTime, 0, "", 0, true, false},
        {"ACTIVE", TFieldType::ftBoolean, 0, "", 0, true, false},
        {"CODE", TFieldType::ftSmallint, 0, "", 0, true, false},
        {"NOTE", TFieldType::ftString, 80, "", 0, true, false},
    };
    std::vector<std::vector<Variant>> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
      rows.push_back({Variant(i), Variant("customer name " + std::to_string(i)), Variant(i * 1.25),
                      Variant(i * 0.01 + 3.0), Variant::FromDate(45000.0 + i % 365 + 0.5),
                      Variant(i % 3 == 0), Variant(static_cast<std::int16_t>(i % 1000)),
                      i % 7 == 0 ? Null : Variant("remark text that does not fit a short string")});
    }
    return MakeDataPacket(fields, rows);
  }
};

DispatchPtr NewServer() {
  return std::make_shared<TEchoServer>();
}

// A host on a free loopback port and a connection to it (or, in-process, a connection holding
// the server object itself).
struct Setup {
  explicit Setup(bool remote)
      : host(std::make_unique<TAppServerHost>([](const AnsiString&) { return NewServer(); })),
        connection(new TSocketConnection(nullptr)) {
    if (remote) {
      host->Start(0);
      connection->SetAddress("127.0.0.1");
      connection->SetPort(host->Port());
      connection->SetServerName("Bench.Server");
      connection->SetConnected(true);
    } else {
      connection->SetAppServer(Variant(NewServer()));
    }
  }
  std::unique_ptr<TAppServerHost> host;
  std::unique_ptr<TSocketConnection, TFreeDeleter> connection;
};

void EchoCall(benchmark::State& state, bool remote) {
  Setup setup(remote);
  Variant server = setup.connection->GetServer();
  const Variant argument("small argument");
  for (auto _ : state) {
    Variant result = OleCall(server, "Echo", {argument});
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_EchoCallLoopback(benchmark::State& state) {
  EchoCall(state, true);
}
BENCHMARK(BM_EchoCallLoopback)->Unit(benchmark::kMicrosecond);

void BM_EchoCallInProcess(benchmark::State& state) {
  EchoCall(state, false);
}
BENCHMARK(BM_EchoCallInProcess)->Unit(benchmark::kMicrosecond);

void FetchRows(benchmark::State& state, bool remote) {
  Setup setup(remote);
  std::unique_ptr<TClientDataSet, TFreeDeleter> data(new TClientDataSet(nullptr));
  data->SetRemoteServer(setup.connection.get());
  data->SetProviderName("Rows");
  for (auto _ : state) {
    data->Open();
    if (data->RecordCount() != kRows) state.SkipWithError("wrong number of records");
    data->Close();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_FetchRowsLoopback(benchmark::State& state) {
  FetchRows(state, true);
}
BENCHMARK(BM_FetchRowsLoopback)->Unit(benchmark::kMillisecond);

void BM_FetchRowsInProcess(benchmark::State& state) {
  FetchRows(state, false);
}
BENCHMARK(BM_FetchRowsInProcess)->Unit(benchmark::kMillisecond);

}  // namespace
