// Code page 936 to UTF-16 and back on 1 MiB of Chinese text: the runtime's conversion
// against iconv called directly on buffers allocated once.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"

namespace {

// 1 MiB of GB2312 text: 600 distinct hanzi from the first rows of the level-one block, with
// a full-width comma after every 20 characters.
const std::string& ChineseText() {
  static const std::string text = [] {
    std::string unit;
    for (int i = 0; i < 600; ++i) {
      unit += static_cast<char>(0xB0 + i / 94);
      unit += static_cast<char>(0xA1 + i % 94);
      if (i % 20 == 19) unit += "\xA3\xAC";
    }
    const std::size_t size = 1 << 20;
    std::string s;
    s.reserve(size);
    while (s.size() + unit.size() <= size) s += unit;
    s += unit.substr(0, size - s.size());
    return s;
  }();
  return text;
}

void BM_RawIconv936RoundTrip(benchmark::State& state) {
  const std::string& text = ChineseText();
  iconv_t toWide = iconv_open("UTF-16LE", "CP936");
  iconv_t toAnsi = iconv_open("CP936", "UTF-16LE");
  std::vector<char> wide(text.size() * 2);
  std::vector<char> back(text.size() * 2);
  std::size_t backSize = 0;
  for (auto _ : state) {
    iconv(toWide, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* out = wide.data();
    std::size_t outLeft = wide.size();
    iconv(toWide, &in, &inLeft, &out, &outLeft);
    std::size_t wideSize = wide.size() - outLeft;

    iconv(toAnsi, nullptr, nullptr, nullptr, nullptr);
    in = wide.data();
    inLeft = wideSize;
    out = back.data();
    outLeft = back.size();
    iconv(toAnsi, &in, &inLeft, &out, &outLeft);
    backSize = back.size() - outLeft;
    benchmark::DoNotOptimize(back.data());
  }
  if (std::string(back.data(), backSize) != text) state.SkipWithError("round trip differs");
  iconv_close(toWide);
  iconv_close(toAnsi);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_RawIconv936RoundTrip)->Unit(benchmark::kMillisecond);

void BM_CodePage936RoundTrip(benchmark::State& state) {
  const std::string& text = ChineseText();
  std::string back;
  for (auto _ : state) {
    vcl::WideString wide = vcl::CodePageToWide(text, vcl::CP_GB2312);
    back = vcl::WideToCodePage(wide, vcl::CP_GB2312);
    benchmark::DoNotOptimize(back.data());
  }
  if (back != text) state.SkipWithError("round trip differs");
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_CodePage936RoundTrip)->Unit(benchmark::kMillisecond);

}  // namespace
