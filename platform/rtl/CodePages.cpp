#include "platform/rtl/CodePages.h"

#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Registry.h"

namespace vcl {

namespace {

struct CodePageInfo {
  UINT codePage;
  const char* iconvName;
  // Most bytes one UTF-16 code unit can become (UTF-8: three for a BMP character, four for a
  // surrogate pair, so never more than three per unit).
  std::size_t maxBytesPerUnit;
};

constexpr CodePageInfo kCodePages[] = {
    {932, "CP932", 2}, {936, "CP936", 2},   {949, "CP949", 2},     {950, "CP950", 2},
    {437, "CP437", 1}, {1252, "CP1252", 1}, {CP_UTF8, "UTF-8", 3},
};

// UTF-16 text is handed to iconv as it lies in memory.
static_assert(std::endian::native == std::endian::little);
constexpr const char* kWideName = "UTF-16LE";

const CodePageInfo* FindCodePage(UINT codePage) {
  for (const auto& info : kCodePages)
    if (info.codePage == codePage) return &info;
  return nullptr;
}

[[noreturn]] void RaiseUnsupported(UINT codePage) {
  throw EConvertError("Code page " + std::to_string(codePage) + " is not supported");
}

// iconv_open is expensive, so each thread keeps its descriptors, one per code page and
// direction, for its whole life.
class IconvCache {
 public:
  IconvCache() = default;
  IconvCache(const IconvCache&) = delete;
  IconvCache& operator=(const IconvCache&) = delete;
  ~IconvCache() {
    for (auto& e : entries_)
      if (e.cd != kNone) iconv_close(e.cd);
  }

  // A descriptor in its initial shift state, or kNone when iconv cannot convert.
  iconv_t Get(const CodePageInfo& info, bool toWide) {
    for (auto& e : entries_) {
      if (e.codePage == info.codePage && e.toWide == toWide) {
        if (e.cd != kNone) iconv(e.cd, nullptr, nullptr, nullptr, nullptr);
        return e.cd;
      }
    }
    iconv_t cd =
        toWide ? iconv_open(kWideName, info.iconvName) : iconv_open(info.iconvName, kWideName);
    entries_.push_back({info.codePage, toWide, cd});
    return cd;
  }

  static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);

 private:
  struct Entry {
    UINT codePage;
    bool toWide;
    iconv_t cd;
  };
  std::vector<Entry> entries_;
};

iconv_t Descriptor(const CodePageInfo& info, bool toWide) {
  thread_local IconvCache cache;
  iconv_t cd = cache.Get(info, toWide);
  if (cd == IconvCache::kNone) RaiseUnsupported(info.codePage);
  return cd;
}

// Whether iconv on this system converts the code page; asked once per code page.
bool IconvSupports(const CodePageInfo& info) {
  // 0 unknown, 1 supported, 2 unsupported, by index in kCodePages.
  static std::atomic<int> known[std::size(kCodePages)];
  auto& slot = known[&info - kCodePages];
  int state = slot.load(std::memory_order_acquire);
  if (state == 0) {
    bool ok = true;
    try {
      Descriptor(info, true);
      Descriptor(info, false);
    } catch (const EConvertError&) {
      ok = false;
    }
    state = ok ? 1 : 2;
    slot.store(state, std::memory_order_release);
  }
  return state == 1;
}

// The table entry of a code page with CP_ACP resolved; raises for an unknown one.
const CodePageInfo& Resolve(UINT codePage) {
  UINT actual = codePage == CP_ACP ? GetACP() : codePage;
  const CodePageInfo* info = FindCodePage(actual);
  if (!info) RaiseUnsupported(actual);
  return *info;
}

// --- GetACP ---------------------------------------------------------------------------------

std::atomic<UINT> gCachedACP{0};
// Set while this thread reads the ANSI code page, so that a conversion reached from the
// registry reader does not start the reading again.
thread_local bool tReadingACP = false;

UINT ParseCodePageNumber(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
  while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
  if (b == e || e - b > 6) return 0;
  UINT value = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + static_cast<UINT>(text[i] - '0');
  }
  return value;
}

UINT CodePageFromRegistry() {
  try {
    TRegistry reg;
    reg.RootKey = HKEY_LOCAL_MACHINE;
    if (!reg.OpenKeyReadOnly("SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage")) return 0;
    if (!reg.ValueExists("ACP")) return 0;
    if (reg.GetDataType("ACP") == TRegDataType::rdInteger)
      return static_cast<UINT>(reg.ReadInteger("ACP"));
    // ReadString would convert to the ANSI code page, which is what is being read here.
    return ParseCodePageNumber(reg.ReadUtf8String("ACP"));
  } catch (const Exception&) {
    return 0;
  }
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char a = s[i], b = prefix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
    if (a != b) return false;
  }
  return true;
}

UINT CodePageFromLocale() {
  std::string_view locale;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) {
      locale = value;
      break;
    }
  }
  // "ll_TT.encoding@modifier": compare the language and territory only.
  std::string_view tag = locale.substr(0, locale.find_first_of(".@"));
  std::string_view language = tag.substr(0, tag.find('_'));
  auto territoryIs = [&](std::string_view lt) {
    return tag.size() == lt.size() && StartsWithNoCase(tag, lt);
  };
  if (territoryIs("zh_CN") || territoryIs("zh_SG")) return 936;
  if (territoryIs("zh_TW") || territoryIs("zh_HK")) return 950;
  if (language.size() == 2 && StartsWithNoCase(language, "ja")) return 932;
  if (language.size() == 2 && StartsWithNoCase(language, "ko")) return 949;
  return CP_WESTERN;
}

bool IsKnownCodePage(UINT codePage) {
  const CodePageInfo* info = FindCodePage(codePage);
  return info && IconvSupports(*info);
}

UINT ReadACP() {
  UINT fromRegistry = CodePageFromRegistry();
  if (fromRegistry != CP_ACP && IsKnownCodePage(fromRegistry)) return fromRegistry;
  return CodePageFromLocale();
}

// --- conversion -----------------------------------------------------------------------------

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

UINT GetACP() {
  UINT cp = gCachedACP.load(std::memory_order_acquire);
  if (cp != 0) return cp;
  if (tReadingACP) return CodePageFromLocale();
  tReadingACP = true;
  try {
    cp = ReadACP();
  } catch (...) {
    tReadingACP = false;
    throw;
  }
  tReadingACP = false;
  // Threads that raced here read the same value; the first one stored wins.
  UINT expected = 0;
  if (!gCachedACP.compare_exchange_strong(expected, cp, std::memory_order_acq_rel)) cp = expected;
  return cp;
}

void ResetACPCache() {
  gCachedACP.store(0, std::memory_order_release);
}

bool IsValidCodePage(UINT codePage) {
  return IsKnownCodePage(codePage == CP_ACP ? GetACP() : codePage);
}

WideString CodePageToWide(std::string_view text, UINT codePage) {
  const CodePageInfo& info = Resolve(codePage);
  iconv_t cd = Descriptor(info, true);
  WideString out;
  if (text.empty()) return out;
  // No supported code page makes more than one UTF-16 unit of a byte; a replacement also
  // stands for at least one byte.
  out.resize(text.size());
  char* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  std::size_t used = 0;
  while (inLeft > 0) {
    char* dst = reinterpret_cast<char*>(out.data() + used);
    std::size_t dstLeft = (out.size() - used) * sizeof(char16_t);
    std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    used = out.size() - dstLeft / sizeof(char16_t);
    if (rc != static_cast<std::size_t>(-1)) break;
    int err = errno;
    if (err == E2BIG) {
      out.resize(out.size() + inLeft + 16);
      continue;
    }
    if (used == out.size()) out.resize(out.size() + inLeft + 16);
    out[used++] = kWideReplacement;
    if (err == EILSEQ) {
      ++in;  // step over one bad byte and go on
      --inLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      break;  // EINVAL: a sequence cut off at the end
    }
  }
  out.resize(used);
  return out;
}

AnsiString WideToCodePage(std::u16string_view text, UINT codePage) {
  const CodePageInfo& info = Resolve(codePage);
  iconv_t cd = Descriptor(info, false);
  AnsiString out;
  if (text.empty()) return out;
  out.resize(text.size() * info.maxBytesPerUnit);
  // iconv goes through UCS-4 here, and a character the second step cannot write makes it
  // convert the whole call's input again to find the position. Clean text goes in one call;
  // after a failure the input is fed in small, growing windows so that text full of
  // unwritable characters stays linear.
  constexpr std::size_t kFirstWindow = 32;
  std::size_t window = text.size();
  std::size_t pos = 0;  // code units consumed
  std::size_t used = 0;
  while (pos < text.size()) {
    std::size_t units = std::min(window, text.size() - pos);
    // Never end a window between the two halves of a surrogate pair.
    if (pos + units < text.size() && IsHighSurrogate(text[pos + units - 1])) ++units;
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data() + pos));
    std::size_t inLeft = units * sizeof(char16_t);
    char* dst = out.data() + used;
    std::size_t dstLeft = out.size() - used;
    std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    int err = errno;
    used = out.size() - dstLeft;
    pos += units - inLeft / sizeof(char16_t);
    if (rc != static_cast<std::size_t>(-1)) {
      if (window < text.size()) window *= 2;
      continue;
    }
    std::size_t remaining = text.size() - pos;
    if (err == E2BIG) {
      out.resize(out.size() + remaining * info.maxBytesPerUnit + 16);
      continue;
    }
    if (used == out.size()) out.resize(out.size() + remaining * info.maxBytesPerUnit + 16);
    out[used++] = kAnsiReplacement;
    if (err != EILSEQ) break;  // EINVAL: a high surrogate at the very end
    // One character cannot be written (or is a lone surrogate): a surrogate pair is one
    // character, anything else one code unit.
    std::size_t skip = 1;
    if (IsHighSurrogate(text[pos]) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1]))
      skip = 2;
    pos += skip;
    window = kFirstWindow;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

AnsiString CodePageToCodePage(std::string_view text, UINT fromCodePage, UINT toCodePage) {
  return WideToCodePage(CodePageToWide(text, fromCodePage), toCodePage);
}

WideString AnsiToWide(std::string_view text) {
  return CodePageToWide(text, CP_ACP);
}
AnsiString WideToAnsi(std::u16string_view text) {
  return WideToCodePage(text, CP_ACP);
}
std::string WideToUtf8(std::u16string_view text) {
  return WideToCodePage(text, CP_UTF8);
}
WideString Utf8ToWide(std::string_view text) {
  return CodePageToWide(text, CP_UTF8);
}

std::string AnsiToUtf8(std::string_view text) {
  if (GetACP() == CP_UTF8) return std::string(text);
  return WideToUtf8(AnsiToWide(text));
}

AnsiString Utf8ToAnsi(std::string_view text) {
  if (GetACP() == CP_UTF8) return AnsiString(text);
  return WideToAnsi(Utf8ToWide(text));
}

AnsiString DesignText(std::string_view utf8) {
  return WideToCodePage(Utf8ToWide(utf8), CP_GB2312);
}

AnsiString DesignText(std::u8string_view utf8) {
  return DesignText(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

bool IsDBCSCodePage(UINT codePage) {
  UINT cp = codePage == CP_ACP ? GetACP() : codePage;
  return cp == 932 || cp == 936 || cp == 949 || cp == 950;
}

bool IsDBCSLeadByteEx(UINT codePage, unsigned char byte) {
  UINT cp = codePage == CP_ACP ? GetACP() : codePage;
  switch (cp) {
    case 936:
    case 949:
    case 950:
      return byte >= 0x81 && byte <= 0xFE;
    case 932:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    default:
      return false;
  }
}

bool IsDBCSLeadByte(unsigned char byte) {
  return IsDBCSLeadByteEx(CP_ACP, byte);
}

}  // namespace vcl
