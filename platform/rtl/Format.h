// Format with the platform's specifiers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

class Variant;

// One argument of Format: an integer, a floating-point number, a text or a Variant.
class FormatArg {
 public:
  enum class Kind { Integer, Float, String, Char, Variant };

  FormatArg(int v) : kind_(Kind::Integer), int_(v) {}
  FormatArg(long v) : kind_(Kind::Integer), int_(v) {}
  FormatArg(long long v) : kind_(Kind::Integer), int_(v) {}
  FormatArg(unsigned v) : kind_(Kind::Integer), int_(v) {}
  FormatArg(unsigned long v) : kind_(Kind::Integer), int_(static_cast<std::int64_t>(v)) {}
  FormatArg(double v) : kind_(Kind::Float), float_(v) {}
  FormatArg(const char* v) : kind_(Kind::String), str_(v ? v : "") {}
  FormatArg(std::string_view v) : kind_(Kind::String), str_(v) {}
  FormatArg(const AnsiString& v) : kind_(Kind::String), str_(v) {}
  FormatArg(char v) : kind_(Kind::Char), char_(v) {}
  FormatArg(const Variant& v) : kind_(Kind::Variant), variant_(&v) {}

  Kind kind() const { return kind_; }
  std::int64_t AsInteger() const { return int_; }
  double AsFloat() const { return float_; }
  // The text of a String or Char argument.
  std::string_view AsString() const {
    return kind_ == Kind::Char ? std::string_view(&char_, 1) : str_;
  }
  const Variant& AsVariant() const { return *variant_; }

 private:
  Kind kind_;
  std::int64_t int_ = 0;
  double float_ = 0;
  std::string_view str_;
  char char_ = 0;
  const Variant* variant_ = nullptr;
};

// Format specifiers: "%" [index ":"] ["-"] [width] ["." precision] type, with width and
// precision given as digits or "*" (taken from the arguments); types d u e f g n m p s x
// (upper or lower case) and "%%". "%d" with a precision pads with zeros to that many digits
// ("%.2d" of 5 is "05"); "%s" with a precision truncates; "%f" defaults to 2 decimals.
// A specifier that does not fit its argument raises EConvertError
// "Format '<format>' invalid or incompatible with argument"; a missing argument raises
// EConvertError "No argument for format '<specifier>'".
AnsiString Format(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace vcl
