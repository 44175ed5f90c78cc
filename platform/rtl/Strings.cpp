#include "platform/rtl/Strings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"

namespace vcl {

char DecimalSeparator = '.';

namespace {

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}
char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

int Sign(int v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int CompareBytes(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return Sign(r);
}

// Western (1252) letters with an accent: lower case 0xE0-0xFE and upper case 0xC0-0xDE,
// apart from the division and multiplication signs.
char WesternUpper(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<char>(u - 0x20);
  return AsciiUpper(c);
}
char WesternLower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 0x20);
  return AsciiLower(c);
}

// Maps the case of single-byte characters, copying double-byte characters of `codePage` as
// they are so that a trail byte is never changed.
AnsiString MapCase(std::string_view s, UINT codePage, bool upper) {
  if (codePage == CP_ACP) codePage = GetACP();
  const bool western = codePage == CP_WESTERN;
  const bool dbcs = IsDBCSCodePage(codePage);
  AnsiString out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    if (dbcs && IsDBCSLeadByteEx(codePage, static_cast<unsigned char>(out[i]))) {
      ++i;
      continue;
    }
    if (western)
      out[i] = upper ? WesternUpper(out[i]) : WesternLower(out[i]);
    else
      out[i] = upper ? AsciiUpper(out[i]) : AsciiLower(out[i]);
  }
  return out;
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

int Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  size_t at = s.find(sub);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

int AnsiPos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  const UINT cp = GetACP();
  const bool dbcs = IsDBCSCodePage(cp);
  for (size_t i = 0; i + sub.size() <= s.size(); ++i) {
    if (s.compare(i, sub.size(), sub) == 0) return static_cast<int>(i) + 1;
    if (dbcs && IsDBCSLeadByteEx(cp, static_cast<unsigned char>(s[i]))) ++i;
  }
  return 0;
}

AnsiString Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<size_t>(index) > s.size()) return {};
  return AnsiString(s.substr(static_cast<size_t>(index) - 1, static_cast<size_t>(count)));
}

void Delete(AnsiString& s, int index, int count) {
  if (index < 1 || count <= 0 || static_cast<size_t>(index) > s.size()) return;
  s.erase(static_cast<size_t>(index) - 1, static_cast<size_t>(count));
}

void Insert(std::string_view sub, AnsiString& s, int index) {
  if (index < 1) index = 1;
  size_t at = std::min(static_cast<size_t>(index) - 1, s.size());
  s.insert(at, sub);
}

AnsiString LeftStr(std::string_view s, int count) {
  if (count <= 0) return {};
  return AnsiString(s.substr(0, static_cast<size_t>(count)));
}

AnsiString RightStr(std::string_view s, int count) {
  if (count <= 0) return {};
  size_t n = std::min(s.size(), static_cast<size_t>(count));
  return AnsiString(s.substr(s.size() - n));
}

AnsiString StringOfChar(char c, int count) {
  return count > 0 ? AnsiString(static_cast<size_t>(count), c) : AnsiString();
}

AnsiString Trim(std::string_view s) {
  return TrimRight(TrimLeft(s));
}

AnsiString TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return AnsiString(s.substr(i));
}

AnsiString TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return AnsiString(s.substr(0, n));
}

AnsiString UpperCase(std::string_view s) {
  AnsiString out(s);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

AnsiString LowerCase(std::string_view s) {
  AnsiString out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

int CompareStr(std::string_view a, std::string_view b) {
  return CompareBytes(a, b);
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(AsciiUpper(a[i]));
    unsigned char y = static_cast<unsigned char>(AsciiUpper(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

AnsiString AnsiUpperCase(std::string_view s, UINT codePage) {
  return MapCase(s, codePage, true);
}

AnsiString AnsiLowerCase(std::string_view s, UINT codePage) {
  return MapCase(s, codePage, false);
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
  return CompareBytes(a, b);
}

int AnsiCompareText(std::string_view a, std::string_view b, UINT codePage) {
  return CompareBytes(AnsiUpperCase(a, codePage), AnsiUpperCase(b, codePage));
}

bool AnsiSameText(std::string_view a, std::string_view b, UINT codePage) {
  return a.size() == b.size() && AnsiCompareText(a, b, codePage) == 0;
}

bool AnsiSameStr(std::string_view a, std::string_view b) {
  return a == b;
}

AnsiString StringReplace(std::string_view s, std::string_view oldPattern,
                         std::string_view newPattern, unsigned flags) {
  if (oldPattern.empty()) return AnsiString(s);
  const bool ignoreCase = (flags & rfIgnoreCase) != 0;
  // Searching an upper-cased copy keeps positions the same, since case mapping never
  // changes byte lengths.
  AnsiString hay = ignoreCase ? AnsiUpperCase(s) : AnsiString(s);
  AnsiString needle = ignoreCase ? AnsiUpperCase(oldPattern) : AnsiString(oldPattern);
  AnsiString out;
  size_t from = 0;
  while (true) {
    size_t at = hay.find(needle, from);
    if (at == AnsiString::npos) break;
    out.append(s.substr(from, at - from));
    out.append(newPattern);
    from = at + needle.size();
    if ((flags & rfReplaceAll) == 0) break;
  }
  out.append(s.substr(from));
  return out;
}

AnsiString QuotedStr(std::string_view s) {
  return AnsiQuotedStr(s, '\'');
}

AnsiString AnsiQuotedStr(std::string_view s, char quote) {
  AnsiString out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  out += quote;
  return out;
}

AnsiString AnsiDequotedStr(std::string_view s, char quote) {
  if (s.empty() || s[0] != quote) return AnsiString(s);
  AnsiString out;
  size_t i = 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      return out;  // closing quote
    }
    out += s[i++];
  }
  return AnsiString(s);  // no closing quote: not a quoted text
}

AnsiString IntToStr(std::int64_t value) {
  return std::to_string(value);
}

AnsiString IntToHex(std::int64_t value, int digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(value));
  AnsiString out(buf);
  if (digits > 0 && out.size() < static_cast<size_t>(digits))
    out.insert(0, static_cast<size_t>(digits) - out.size(), '0');
  return out;
}

bool TryStrToInt64(std::string_view s, std::int64_t& value) {
  AnsiString t = Trim(s);
  if (t.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (t[i] == '+' || t[i] == '-') negative = t[i++] == '-';
  int base = 10;
  if (i < t.size() && t[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= t.size()) return false;
  unsigned long long acc = 0;
  const unsigned long long limit = negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  for (; i < t.size(); ++i) {
    char c = t[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    if (acc > (limit - static_cast<unsigned long long>(d)) / static_cast<unsigned>(base))
      return false;
    acc = acc * static_cast<unsigned>(base) + static_cast<unsigned>(d);
  }
  value = negative ? static_cast<std::int64_t>(0 - acc) : static_cast<std::int64_t>(acc);
  return true;
}

bool TryStrToInt(std::string_view s, int& value) {
  std::int64_t v;
  if (!TryStrToInt64(s, v) || v < INT32_MIN || v > INT32_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

std::int64_t StrToInt64(std::string_view s) {
  std::int64_t v;
  if (!TryStrToInt64(s, v))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
  return v;
}

int StrToInt(std::string_view s) {
  int v;
  if (!TryStrToInt(s, v))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
  return v;
}

int StrToIntDef(std::string_view s, int defaultValue) {
  int v;
  return TryStrToInt(s, v) ? v : defaultValue;
}

bool TryStrToFloat(std::string_view s, double& value) {
  AnsiString t = Trim(s);
  if (t.empty()) return false;
  // Accept only plain decimal notation: sign, digits, one decimal point, exponent.
  AnsiString c;
  size_t i = 0;
  if (t[i] == '+' || t[i] == '-') c += t[i++];
  bool digits = false;
  while (i < t.size() && t[i] >= '0' && t[i] <= '9') c += t[i++], digits = true;
  if (i < t.size() && t[i] == DecimalSeparator) {
    c += '.';
    ++i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') c += t[i++], digits = true;
  }
  if (!digits) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) c += t[i++];
    bool expDigits = false;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') c += t[i++], expDigits = true;
    if (!expDigits) return false;
  }
  if (i != t.size()) return false;
  errno = 0;
  double v = std::strtod(c.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return false;
  value = v;
  return true;
}

double StrToFloat(std::string_view s) {
  double v;
  if (!TryStrToFloat(s, v))
    throw EConvertError("'" + AnsiString(s) + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(std::string_view s, double defaultValue) {
  double v;
  return TryStrToFloat(s, v) ? v : defaultValue;
}

AnsiString FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  AnsiString s(buf);
  // "1.5E-07" -> "1.5E-7", "1E+20" -> "1E20".
  size_t e = s.find('E');
  AnsiString mantissa = s.substr(0, e);
  AnsiString exponent;
  if (e != AnsiString::npos) {
    size_t i = e + 1;
    bool negative = s[i] == '-';
    if (s[i] == '+' || s[i] == '-') ++i;
    while (i + 1 < s.size() && s[i] == '0') ++i;
    exponent = AnsiString("E") + (negative ? "-" : "") + s.substr(i);
  }
  if (DecimalSeparator != '.') {
    size_t dot = mantissa.find('.');
    if (dot != AnsiString::npos) mantissa[dot] = DecimalSeparator;
  }
  return mantissa + exponent;
}

}  // namespace vcl
