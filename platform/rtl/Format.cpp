#include "platform/rtl/Format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/Variant.h"

namespace vcl {

namespace {

// One parsed specifier; -1 stands for "not given", kFromArgs for "*".
struct Spec {
  static constexpr int kFromArgs = -2;
  int index = -1;
  bool left = false;
  int width = -1;
  int precision = -1;
  char type = 0;  // upper case
  std::string_view text;
};

class Formatter {
 public:
  Formatter(std::string_view format, std::initializer_list<FormatArg> args)
      : format_(format), args_(args.begin()), argc_(args.size()) {}

  AnsiString Run() {
    out_.reserve(format_.size() + 16 * argc_);
    std::size_t i = 0;
    while (i < format_.size()) {
      std::size_t pct = format_.find('%', i);
      if (pct == std::string_view::npos) {
        out_.append(format_.substr(i));
        break;
      }
      out_.append(format_.substr(i, pct - i));
      if (pct + 1 < format_.size() && format_[pct + 1] == '%') {
        out_ += '%';
        i = pct + 2;
        continue;
      }
      Spec spec;
      i = Parse(pct, spec);
      Emit(spec);
    }
    return std::move(out_);
  }

 private:
  [[noreturn]] void Invalid() const {
    throw EConvertError("Format '" + std::string(format_) +
                        "' invalid or incompatible with argument");
  }

  bool IsDigit(std::size_t p) const {
    return p < format_.size() && format_[p] >= '0' && format_[p] <= '9';
  }

  // Digits from `p` on; a number too large for an int makes the format invalid.
  int Number(std::size_t& p) const {
    std::int64_t value = 0;
    while (IsDigit(p)) {
      value = value * 10 + (format_[p++] - '0');
      if (value > std::numeric_limits<int>::max()) Invalid();
    }
    return static_cast<int>(value);
  }

  // A width or precision: digits or "*"; -1 when neither is there.
  int WidthOrPrecision(std::size_t& p) const {
    if (p < format_.size() && format_[p] == '*') {
      ++p;
      return Spec::kFromArgs;
    }
    return IsDigit(p) ? Number(p) : -1;
  }

  // Parses the specifier starting at the '%' at `pct`; returns the position after it.
  std::size_t Parse(std::size_t pct, Spec& spec) const {
    std::size_t p = pct + 1;
    bool widthDone = false;
    if (IsDigit(p)) {
      int n = Number(p);
      if (p < format_.size() && format_[p] == ':') {
        spec.index = n;
        ++p;
      } else {
        spec.width = n;
        widthDone = true;
      }
    }
    if (!widthDone) {
      if (p < format_.size() && format_[p] == '-') {
        spec.left = true;
        ++p;
      }
      spec.width = WidthOrPrecision(p);
    }
    if (p < format_.size() && format_[p] == '.') {
      ++p;
      spec.precision = WidthOrPrecision(p);
      if (spec.precision == -1) spec.precision = 0;
    }
    if (p >= format_.size()) Invalid();
    char t = format_[p++];
    if (t >= 'a' && t <= 'z') t = static_cast<char>(t - 'a' + 'A');
    spec.type = t;
    spec.text = format_.substr(pct, p - pct);
    return p;
  }

  const FormatArg& NextArg(const Spec& spec) {
    if (argIndex_ >= argc_)
      throw EConvertError("No argument for format '" + std::string(spec.text) + "'");
    return args_[argIndex_++];
  }

  std::int64_t IntegerArg(const FormatArg& arg) const {
    if (arg.kind() == FormatArg::Kind::Integer) return arg.AsInteger();
    if (arg.kind() == FormatArg::Kind::Variant) {
      try {
        return arg.AsVariant().AsInt64();
      } catch (const Exception&) {
        Invalid();
      }
    }
    Invalid();
  }

  double FloatArg(const FormatArg& arg) const {
    if (arg.kind() == FormatArg::Kind::Float) return arg.AsFloat();
    if (arg.kind() == FormatArg::Kind::Variant) {
      try {
        return arg.AsVariant().AsDouble();
      } catch (const Exception&) {
        Invalid();
      }
    }
    Invalid();
  }

  void Emit(Spec& spec) {
    switch (spec.type) {
      case 'D':
      case 'U':
      case 'X':
      case 'P':
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M':
      case 'S':
        break;
      default:
        Invalid();
    }
    if (spec.index >= 0) argIndex_ = static_cast<std::size_t>(spec.index);
    if (spec.width == Spec::kFromArgs) {
      std::int64_t w = IntegerArg(NextArg(spec));
      if (w < 0) {
        spec.left = true;
        w = -w;
      }
      if (w > std::numeric_limits<int>::max()) Invalid();
      spec.width = static_cast<int>(w);
    }
    if (spec.precision == Spec::kFromArgs) {
      std::int64_t prec = IntegerArg(NextArg(spec));
      if (prec > std::numeric_limits<int>::max()) Invalid();
      spec.precision = prec < 0 ? -1 : static_cast<int>(prec);
    }
    const FormatArg& arg = NextArg(spec);

    std::string text;
    switch (spec.type) {
      case 'D':
      case 'U':
      case 'X':
      case 'P':
        text = FormatInteger(spec, IntegerArg(arg));
        break;
      case 'S':
        if (arg.kind() == FormatArg::Kind::String || arg.kind() == FormatArg::Kind::Char) {
          text = arg.AsString();
        } else if (arg.kind() == FormatArg::Kind::Variant) {
          try {
            text = arg.AsVariant().AsString();
          } catch (const Exception&) {
            Invalid();
          }
        } else {
          Invalid();
        }
        if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < text.size())
          text.resize(static_cast<std::size_t>(spec.precision));
        break;
      default:
        text = FormatFloat(spec, FloatArg(arg));
        break;
    }
    Pad(spec, text);
  }

  void Pad(const Spec& spec, const std::string& text) {
    std::size_t fill = spec.width > 0 && static_cast<std::size_t>(spec.width) > text.size()
                           ? static_cast<std::size_t>(spec.width) - text.size()
                           : 0;
    if (!spec.left) out_.append(fill, ' ');
    out_ += text;
    if (spec.left) out_.append(fill, ' ');
  }

  // Unsigned view of an integer argument: a negative value in the 32-bit range is read as
  // the 32-bit pattern (the width of the platform's Integer), any other as 64 bits.
  static std::uint64_t Unsigned(std::int64_t v) {
    if (v < 0 && v >= std::numeric_limits<std::int32_t>::min())
      return static_cast<std::uint32_t>(static_cast<std::int32_t>(v));
    return static_cast<std::uint64_t>(v);
  }

  static std::string Digits(std::uint64_t v, int base) {
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v, base);
    std::string s(buf, res.ptr);
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
  }

  static std::string FormatInteger(const Spec& spec, std::int64_t v) {
    bool negative = false;
    std::string digits;
    int minDigits = spec.precision;
    switch (spec.type) {
      case 'D':
        negative = v < 0;
        digits = Digits(
            negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v), 10);
        break;
      case 'U':
        digits = Digits(Unsigned(v), 10);
        break;
      case 'X':
        digits = Digits(Unsigned(v), 16);
        break;
      default:  // 'P'
        digits = Digits(Unsigned(v), 16);
        minDigits = 8;
        break;
    }
    std::string text = negative ? "-" : "";
    if (minDigits > 0 && static_cast<std::size_t>(minDigits) > digits.size())
      text.append(static_cast<std::size_t>(minDigits) - digits.size(), '0');
    return text + digits;
  }

  // Fixed notation with `decimals` digits after the point ('.' here), rounded as printf does.
  static std::string Fixed(double v, int decimals) {
    // Integer digits of a double are at most 309; then the point and the decimals.
    std::string buf(static_cast<std::size_t>(decimals) + 330, '\0');
    auto res =
        std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, decimals);
    buf.resize(static_cast<std::size_t>(res.ptr - buf.data()));
    return buf;
  }

  // Scientific notation with `decimals` mantissa decimals: the mantissa ("d.ddd", sign
  // included) and the decimal exponent, after rounding.
  static std::string Scientific(double v, int decimals, int& exponent) {
    std::string buf(static_cast<std::size_t>(decimals) + 32, '\0');
    auto res = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::scientific,
                             decimals);
    buf.resize(static_cast<std::size_t>(res.ptr - buf.data()));
    std::size_t e = buf.find('e');
    std::from_chars(buf.data() + e + (buf[e + 1] == '+' ? 2 : 1), buf.data() + buf.size(),
                    exponent);
    buf.resize(e);
    return buf;
  }

  static void StripFractionZeros(std::string& s) {
    if (s.find('.') == std::string::npos) return;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }

  static void GroupThousands(std::string& s) {
    std::size_t begin = s[0] == '-' ? 1 : 0;
    std::size_t end = s.find('.');
    if (end == std::string::npos) end = s.size();
    for (std::size_t pos = end; pos > begin + 3; pos -= 3) s.insert(pos - 3, 1, ',');
  }

  static std::string FormatFloat(const Spec& spec, double v) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    std::string s;
    switch (spec.type) {
      case 'F':
      case 'N':
      case 'M':
        s = Fixed(v, spec.precision >= 0 ? spec.precision : 2);
        break;
      case 'E': {
        int digits = spec.precision >= 1 ? spec.precision : (spec.precision == 0 ? 1 : 15);
        int exponent = 0;
        s = Scientific(v, digits - 1, exponent);
        std::string exp = std::to_string(exponent < 0 ? -exponent : exponent);
        if (exp.size() < 3) exp.insert(0, 3 - exp.size(), '0');
        s += exponent < 0 ? "E-" : "E+";
        s += exp;
        break;
      }
      default: {  // 'G': the shorter of fixed and scientific, trailing zeros removed
        int digits = spec.precision >= 1 ? spec.precision : (spec.precision == 0 ? 1 : 15);
        int exponent = 0;
        s = Scientific(v, digits - 1, exponent);
        if (exponent < -5 || exponent >= digits) {
          StripFractionZeros(s);
          s += 'E';
          s += std::to_string(exponent);
        } else {
          s = Fixed(v, digits - 1 - exponent);
          StripFractionZeros(s);
        }
        break;
      }
    }
    // A value that rounds to zero is written without a sign.
    if (s[0] == '-' && s.find_first_of("123456789") >= s.find_first_of("eE")) s.erase(0, 1);
    if (spec.type == 'N' || spec.type == 'M') GroupThousands(s);
    if (DecimalSeparator != '.') {
      std::size_t dot = s.find('.');
      if (dot != std::string::npos) s[dot] = DecimalSeparator;
    }
    return s;
  }

  std::string_view format_;
  const FormatArg* args_;
  std::size_t argc_;
  std::size_t argIndex_ = 0;
  AnsiString out_;
};

}  // namespace

AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args) {
  return Formatter(format, args).Run();
}

}  // namespace vcl
