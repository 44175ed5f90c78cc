// Copying a two-level variant array: 10,000 rows, each a small array of mixed values, as a
// data packet of rows is passed around by value.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/rtl/Variant.h"

using namespace vcl;

namespace {

constexpr int kRows = 10000;

Variant MakeRows() {
  Variant rows = VarArrayCreate({0, kRows - 1}, varVariant);
  for (int i = 0; i < kRows; ++i) {
    rows[i] = VarArrayOf({Variant(i), Variant("customer name " + std::to_string(i)),
                          Variant(i * 1.25), Variant::FromDate(45000.0 + i % 365),
                          Variant("remark text that does not fit in a short string")});
  }
  return rows;
}

void BM_VariantCopyRows(benchmark::State& state) {
  const Variant rows = MakeRows();
  for (auto _ : state) {
    Variant copy = rows;
    benchmark::DoNotOptimize(copy);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_VariantCopyRows)->Unit(benchmark::kMillisecond);

void BM_VariantReadRows(benchmark::State& state) {
  const Variant rows = MakeRows();
  for (auto _ : state) {
    std::int64_t sum = 0;
    for (int i = 0; i < kRows; ++i) sum += rows[i][0].AsInteger();
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_VariantReadRows)->Unit(benchmark::kMicrosecond);

}  // namespace
