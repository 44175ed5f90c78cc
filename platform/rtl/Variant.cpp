#include "platform/rtl/Variant.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"

namespace vcl {

struct Variant::ArrayData {
  struct Bound {
    int low;
    int high;
  };
  // Bounds per dimension. Most arrays have one or two dimensions; those are kept inline so
  // that copying an array allocates only for its elements.
  class BoundList {
   public:
    std::size_t size() const { return size_; }
    Bound& operator[](std::size_t i) { return i < kInline ? inline_[i] : more_[i - kInline]; }
    const Bound& operator[](std::size_t i) const {
      return i < kInline ? inline_[i] : more_[i - kInline];
    }
    Bound& back() { return (*this)[size_ - 1]; }
    void push_back(Bound b) {
      if (size_ < kInline)
        inline_[size_] = b;
      else
        more_.push_back(b);
      ++size_;
    }

   private:
    static constexpr std::size_t kInline = 2;
    std::size_t size_ = 0;
    Bound inline_[kInline] = {};
    std::vector<Bound> more_;
  };

  TVarType elemType = varVariant;
  BoundList bounds;
  // Elements with the first index varying fastest, so that changing the high bound of the
  // last dimension only grows or shrinks the tail.
  std::vector<Variant> items;
};

namespace {

constexpr const char* kInvalidOp = "Invalid variant operation";
constexpr const char* kBadIndex = "Variant or safe array index out of bounds";
constexpr const char* kArrayCreate = "Error creating variant or safe array";
// Arrays larger than this are refused rather than attempted.
constexpr std::int64_t kMaxArrayElements = std::int64_t{1} << 26;

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + VarTypeAsText(from) +
                              ") into type (" + VarTypeAsText(to) + ")");
}
[[noreturn]] void RaiseInvalidOp() {
  throw EVariantInvalidOpError(kInvalidOp);
}
[[noreturn]] void RaiseBadIndex() {
  throw EVariantBadIndexError(kBadIndex);
}
[[noreturn]] void RaiseArrayCreate() {
  throw EVariantArrayCreateError(kArrayCreate);
}

// Types whose value lives in int_.
bool IsOrdinalType(TVarType t) {
  return t == varSmallint || t == varInteger || t == varByte || t == varBoolean;
}
// Types whose value lives in double_.
bool IsFloatType(TVarType t) {
  return t == varDouble || t == varDate;
}
bool IsTextType(TVarType t) {
  return t == varString || t == varOleStr;
}

bool IsArrayElementType(TVarType t) {
  switch (t) {
    case varSmallint:
    case varInteger:
    case varDouble:
    case varDate:
    case varOleStr:
    case varDispatch:
    case varBoolean:
    case varVariant:
    case varByte:
    case varString:
      return true;
    default:
      return false;
  }
}

// Half-way cases go to the even neighbour, as the platform's conversions do.
double RoundHalfEven(double x) {
  double r = std::round(x);
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return r;
}

bool DoubleToInt64(double d, std::int64_t& out) {
  double r = RoundHalfEven(d);
  // 2^63 is exactly representable; NaN fails both comparisons.
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return false;
  out = static_cast<std::int64_t>(r);
  return true;
}

// "True" and "False" in any case, after trimming.
bool TextToBoolean(std::string_view trimmed, bool& out) {
  if (SameText(trimmed, "True")) {
    out = true;
    return true;
  }
  if (SameText(trimmed, "False")) {
    out = false;
    return true;
  }
  return false;
}

// A text as a number: decimal or floating notation, or True/False as -1/0.
bool TextToDouble(std::string_view text, double& out) {
  AnsiString t = Trim(text);
  if (TryStrToFloat(t, out)) return true;
  std::int64_t i = 0;
  if (TryStrToInt64(t, i)) {
    out = static_cast<double>(i);
    return true;
  }
  bool b = false;
  if (TextToBoolean(t, b)) {
    out = b ? -1.0 : 0.0;
    return true;
  }
  return false;
}

bool TextToInt64(std::string_view text, std::int64_t& out) {
  AnsiString t = Trim(text);
  if (TryStrToInt64(t, out)) return true;
  double d = 0;
  return TextToDouble(t, d) && DoubleToInt64(d, out);
}

}  // namespace

// Access to the representation for the free functions and helpers of this file.
class VariantImpl {
 public:
  using ArrayData = Variant::ArrayData;

  static TVarType Type(const Variant& v) { return v.type_; }
  static std::int64_t Int(const Variant& v) { return v.int_; }
  static double Float(const Variant& v) { return v.double_; }
  static const AnsiString& Text(const Variant& v) { return std::get<AnsiString>(v.heap_); }
  static const WideString& Wide(const Variant& v) { return std::get<WideString>(v.heap_); }
  static const DispatchPtr& Dispatch(const Variant& v) { return std::get<DispatchPtr>(v.heap_); }
  static ArrayData& Array(const Variant& v) {
    return *std::get<std::unique_ptr<ArrayData>>(v.heap_);
  }

  // The text of a variant already dereferenced, in ANSI (for number parsing).
  static AnsiString AnsiText(const Variant& v) {
    return v.type_ == varString ? Text(v) : WideToAnsi(Wide(v));
  }

  static std::int64_t ToInt64(const Variant& v, TVarType to) {
    TVarType t = v.type_;
    if (t == varEmpty) return 0;
    if (IsOrdinalType(t)) return v.int_;
    std::int64_t out = 0;
    if (IsFloatType(t) && DoubleToInt64(v.double_, out)) return out;
    if (IsTextType(t) && TextToInt64(AnsiText(v), out)) return out;
    RaiseCast(t, to);
  }

  static std::int64_t ToRange(const Variant& v, TVarType to, std::int64_t lo, std::int64_t hi) {
    std::int64_t i = ToInt64(v, to);
    if (i < lo || i > hi) RaiseCast(v.type_, to);
    return i;
  }

  static double ToDouble(const Variant& v, TVarType to) {
    TVarType t = v.type_;
    if (t == varEmpty) return 0;
    if (IsOrdinalType(t)) return static_cast<double>(v.int_);
    if (IsFloatType(t)) return v.double_;
    double d = 0;
    if (IsTextType(t) && TextToDouble(AnsiText(v), d)) return d;
    RaiseCast(t, to);
  }

  static bool ToBoolean(const Variant& v) {
    TVarType t = v.type_;
    if (t == varEmpty) return false;
    if (IsOrdinalType(t)) return v.int_ != 0;
    if (IsFloatType(t)) return v.double_ != 0;
    if (IsTextType(t)) {
      AnsiString s = Trim(AnsiText(v));
      bool b = false;
      if (TextToBoolean(s, b)) return b;
      double d = 0;
      if (TryStrToFloat(s, d)) return d != 0;
      std::int64_t i = 0;
      if (TryStrToInt64(s, i)) return i != 0;
    }
    RaiseCast(t, varBoolean);
  }

  static TDateTime ToDateTime(const Variant& v) {
    TVarType t = v.type_;
    if (t == varEmpty) return 0;
    if (IsOrdinalType(t)) return static_cast<double>(v.int_);
    if (IsFloatType(t)) return v.double_;
    TDateTime d = 0;
    if (IsTextType(t) && TryStrToDateTime(Trim(AnsiText(v)), d)) return d;
    RaiseCast(t, varDate);
  }

  static AnsiString ToString(const Variant& v, TVarType to) {
    switch (v.type_) {
      case varEmpty:
        return {};
      case varBoolean:
        return v.int_ ? "True" : "False";
      case varSmallint:
      case varInteger:
      case varByte:
        return IntToStr(v.int_);
      case varDouble:
        return FloatToStr(v.double_);
      case varDate:
        return DateTimeToStr(v.double_);
      case varString:
        return Text(v);
      case varOleStr:
        return WideToAnsi(Wide(v));
      default:
        RaiseCast(v.type_, to);
    }
  }

  static WideString ToWide(const Variant& v) {
    if (v.type_ == varOleStr) return Wide(v);
    if (v.type_ == varString) return AnsiToWide(Text(v));
    return AnsiToWide(ToString(v, varOleStr));
  }

  // A value of `type` that reads as zero: 0, 0.0, false, "" or empty.
  static Variant ZeroOf(TVarType type) {
    Variant z;
    z.type_ = type;
    if (type == varString) z.heap_ = AnsiString();
    if (type == varOleStr) z.heap_ = WideString();
    if (type == varDispatch) z.heap_ = DispatchPtr();
    if (type == varVariant) z.type_ = varEmpty;
    return z;
  }

  static Variant MakeOrdinal(TVarType type, std::int64_t value) {
    Variant v;
    v.type_ = type;
    v.int_ = value;
    return v;
  }

  static Variant MakeArray(const std::vector<int>& bounds, TVarType elemType) {
    if (bounds.empty() || bounds.size() % 2 != 0 || !IsArrayElementType(elemType))
      RaiseArrayCreate();
    auto data = std::make_unique<ArrayData>();
    data->elemType = elemType;
    std::int64_t count = 1;
    for (std::size_t i = 0; i < bounds.size(); i += 2) {
      std::int64_t length = std::int64_t{bounds[i + 1]} - bounds[i] + 1;
      if (length < 0) RaiseArrayCreate();
      count *= length;
      if (count > kMaxArrayElements) RaiseArrayCreate();
      data->bounds.push_back({bounds[i], bounds[i + 1]});
    }
    data->items.assign(static_cast<std::size_t>(count), ZeroOf(elemType));
    Variant v;
    v.type_ = varArray | elemType;
    v.heap_ = std::move(data);
    return v;
  }

  static Variant MakeRef(Variant& target) {
    Variant v;
    v.type_ = varByRef | varVariant;
    v.ref_ = &target.Deref();
    return v;
  }

  // The array a variant holds (after following a reference); raises for other variants.
  static ArrayData& ArrayOf(const Variant& v) {
    const Variant& d = v.Deref();
    if (!(d.type_ & varArray)) RaiseInvalidOp();
    return Array(d);
  }

  static std::size_t Offset(const ArrayData& a, const int* indices, std::size_t count) {
    if (count != a.bounds.size()) RaiseBadIndex();
    std::size_t offset = 0;
    std::size_t stride = 1;
    for (std::size_t i = 0; i < count; ++i) {
      const auto& b = a.bounds[i];
      if (indices[i] < b.low || indices[i] > b.high) RaiseBadIndex();
      offset += static_cast<std::size_t>(std::int64_t{indices[i]} - b.low) * stride;
      stride *= static_cast<std::size_t>(std::int64_t{b.high} - b.low + 1);
    }
    return offset;
  }

  static void Redim(Variant& v, int highBound) {
    ArrayData& a = ArrayOf(v);
    ArrayData::Bound& last = a.bounds.back();
    std::int64_t length = std::int64_t{highBound} - last.low + 1;
    if (length < 0) RaiseArrayCreate();
    std::int64_t stride = 1;
    for (std::size_t i = 0; i + 1 < a.bounds.size(); ++i)
      stride *= std::int64_t{a.bounds[i].high} - a.bounds[i].low + 1;
    std::int64_t count = stride * length;
    if (count > kMaxArrayElements) RaiseArrayCreate();
    a.items.resize(static_cast<std::size_t>(count), ZeroOf(a.elemType));
    last.high = highBound;
  }

  static bool SameArrays(const ArrayData& a, const ArrayData& b) {
    if (a.bounds.size() != b.bounds.size()) return false;
    for (std::size_t i = 0; i < a.bounds.size(); ++i)
      if (a.bounds[i].low != b.bounds[i].low || a.bounds[i].high != b.bounds[i].high) return false;
    for (std::size_t i = 0; i < a.items.size(); ++i)
      if (Compare(a.items[i], b.items[i]) != TVariantRelationship::vrEqual) return false;
    return true;
  }

  template <typename T>
  static TVariantRelationship Order(const T& a, const T& b) {
    if (a < b) return TVariantRelationship::vrLessThan;
    if (b < a) return TVariantRelationship::vrGreaterThan;
    if (a == b) return TVariantRelationship::vrEqual;
    return TVariantRelationship::vrNotEqual;  // NaN
  }

  // A text read as a number to compare with a number of type `other`; dates also accept a
  // date text.
  static bool TextAsNumber(const Variant& text, TVarType other, double& out) {
    AnsiString s = AnsiText(text);
    if (TextToDouble(s, out)) return true;
    return other == varDate && TryStrToDateTime(Trim(s), out);
  }

  static TVariantRelationship Compare(const Variant& left, const Variant& right) {
    using R = TVariantRelationship;
    const Variant& a = left.Deref();
    const Variant& b = right.Deref();
    TVarType ta = a.type_;
    TVarType tb = b.type_;
    if (ta == varNull || tb == varNull) return ta == tb ? R::vrEqual : R::vrNotEqual;
    if ((ta & varArray) || (tb & varArray)) {
      bool equal = (ta & varArray) && (tb & varArray) && SameArrays(Array(a), Array(b));
      return equal ? R::vrEqual : R::vrNotEqual;
    }
    if (ta == varDispatch || tb == varDispatch) {
      bool equal = ta == tb && Dispatch(a) == Dispatch(b);
      return equal ? R::vrEqual : R::vrNotEqual;
    }
    if (ta == varEmpty && tb == varEmpty) return R::vrEqual;
    // Empty reads as "" beside a text and as 0 beside a number.
    if (ta == varEmpty)
      return IsTextType(tb) ? Order(AnsiString(), AnsiText(b)) : Order(0.0, ToDouble(b, varDouble));
    if (tb == varEmpty)
      return IsTextType(ta) ? Order(AnsiText(a), AnsiString()) : Order(ToDouble(a, varDouble), 0.0);
    if (IsTextType(ta) && IsTextType(tb)) {
      if (ta == varString && tb == varString) return Order(Text(a), Text(b));
      return Order(ToWide(a), ToWide(b));
    }
    if (IsTextType(ta) || IsTextType(tb)) {
      double x = 0;
      double y = 0;
      if (IsTextType(ta)) {
        if (!TextAsNumber(a, tb, x)) return R::vrNotEqual;
        y = ToDouble(b, varDouble);
      } else {
        x = ToDouble(a, varDouble);
        if (!TextAsNumber(b, ta, y)) return R::vrNotEqual;
      }
      return Order(x, y);
    }
    if (IsOrdinalType(ta) && IsOrdinalType(tb)) return Order(a.int_, b.int_);
    return Order(ToDouble(a, varDouble), ToDouble(b, varDouble));
  }
};

// ---- Construction, copying, moving -------------------------------------------------------

Variant::Variant() = default;
Variant::Variant(bool v) : type_(varBoolean), int_(v ? -1 : 0) {}
Variant::Variant(std::uint8_t v) : type_(varByte), int_(v) {}
Variant::Variant(std::int16_t v) : type_(varSmallint), int_(v) {}
Variant::Variant(int v) : type_(varInteger), int_(v) {}
Variant::Variant(long v) : Variant(static_cast<long long>(v)) {}
Variant::Variant(long long v) {
  if (v >= std::numeric_limits<std::int32_t>::min() &&
      v <= std::numeric_limits<std::int32_t>::max()) {
    type_ = varInteger;
    int_ = v;
  } else {
    type_ = varDouble;
    double_ = static_cast<double>(v);
  }
}
Variant::Variant(unsigned v) : Variant(static_cast<unsigned long>(v)) {}
Variant::Variant(unsigned long v) {
  if (v <= static_cast<unsigned long>(std::numeric_limits<std::int32_t>::max())) {
    type_ = varInteger;
    int_ = static_cast<std::int64_t>(v);
  } else {
    type_ = varDouble;
    double_ = static_cast<double>(v);
  }
}
Variant::Variant(double v) : type_(varDouble), double_(v) {}
Variant::Variant(const char* v) : type_(varString), heap_(AnsiString(v ? v : "")) {}
Variant::Variant(std::string_view v) : type_(varString), heap_(AnsiString(v)) {}
Variant::Variant(const AnsiString& v) : type_(varString), heap_(v) {}
Variant::Variant(AnsiString&& v) : type_(varString), heap_(std::move(v)) {}
Variant::Variant(const char16_t* v) : type_(varOleStr), heap_(WideString(v ? v : u"")) {}
Variant::Variant(const WideString& v) : type_(varOleStr), heap_(v) {}
Variant::Variant(DispatchPtr v) : type_(varDispatch), heap_(std::move(v)) {}

Variant Variant::FromDate(TDateTime v) {
  Variant r(v);
  r.type_ = varDate;
  return r;
}

Variant Variant::NullValue() {
  Variant r;
  r.type_ = varNull;
  return r;
}

Variant::Variant(const Variant& other) {
  CopyFrom(other);
}
Variant::Variant(Variant&& other) noexcept {
  MoveFrom(other);
}
Variant::~Variant() = default;

void Variant::CopyFrom(const Variant& other) {
  // Only called on an empty variant.
  switch (other.heap_.index()) {
    case 0:
      break;
    case 1:
      heap_ = std::get<AnsiString>(other.heap_);
      break;
    case 2:
      heap_ = std::get<WideString>(other.heap_);
      break;
    case 3:
      heap_ = std::get<DispatchPtr>(other.heap_);
      break;
    default:
      heap_ = std::make_unique<ArrayData>(*std::get<std::unique_ptr<ArrayData>>(other.heap_));
      break;
  }
  type_ = other.type_;
  CopyScalar(other);
}

// The scalar part is copied as bytes, whichever of its members is in use.
void Variant::CopyScalar(const Variant& other) noexcept {
  static_assert(sizeof(int_) == sizeof(double_) && sizeof(int_) == sizeof(ref_));
  std::memcpy(&int_, &other.int_, sizeof(int_));
}

void Variant::MoveFrom(Variant& other) noexcept {
  type_ = other.type_;
  CopyScalar(other);
  heap_ = std::move(other.heap_);
  other.Clear();
}

void Variant::Clear() noexcept {
  heap_ = std::monostate();
  type_ = varEmpty;
  int_ = 0;
}

// Assigning a reference whose chain passes through this variant would make it refer to
// itself; such an assignment leaves the variant as it is.
bool Variant::RefersTo(const Variant& from, const Variant* target) {
  for (const Variant* v = &from; v->type_ & varByRef;) {
    v = v->ref_;
    if (v == target) return true;
  }
  return false;
}

Variant& Variant::operator=(const Variant& other) {
  if (this == &other || RefersTo(other, this)) return *this;
  // Copy first: `other` may live inside this variant's array.
  Variant copy(other);
  Clear();
  MoveFrom(copy);
  return *this;
}

Variant& Variant::operator=(Variant&& other) noexcept {
  if (this == &other || RefersTo(other, this)) return *this;
  Variant taken(std::move(other));
  Clear();
  MoveFrom(taken);
  return *this;
}

// ---- Inspection and references ------------------------------------------------------------

TVarType Variant::VarType() const {
  return type_;
}
bool Variant::IsEmpty() const {
  return Deref().type_ == varEmpty;
}
bool Variant::IsNull() const {
  return Deref().type_ == varNull;
}
bool Variant::IsArray() const {
  return (Deref().type_ & varArray) != 0;
}

const Variant& Variant::Deref() const {
  const Variant* v = this;
  while (v->type_ & varByRef) v = v->ref_;
  return *v;
}

Variant& Variant::Deref() {
  Variant* v = this;
  while (v->type_ & varByRef) v = v->ref_;
  return *v;
}

void Variant::Assign(const Variant& value) {
  Deref() = value.Deref();
}

// ---- Conversions ----------------------------------------------------------------------------

bool Variant::AsBoolean() const {
  return VariantImpl::ToBoolean(Deref());
}
WordBool Variant::AsWordBool() const {
  return AsBoolean() ? kWordTrue : kWordFalse;
}

int Variant::AsInteger() const {
  return static_cast<int>(VariantImpl::ToRange(Deref(), varInteger,
                                               std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

std::int64_t Variant::AsInt64() const {
  return VariantImpl::ToInt64(Deref(), varInteger);
}
double Variant::AsDouble() const {
  return VariantImpl::ToDouble(Deref(), varDouble);
}
TDateTime Variant::AsDateTime() const {
  return VariantImpl::ToDateTime(Deref());
}
AnsiString Variant::AsString() const {
  return VariantImpl::ToString(Deref(), varString);
}
WideString Variant::AsWideString() const {
  return VariantImpl::ToWide(Deref());
}

DispatchPtr Variant::AsDispatch() const {
  const Variant& v = Deref();
  if (v.type_ == varDispatch) return std::get<DispatchPtr>(v.heap_);
  if (v.type_ == varEmpty) return nullptr;
  RaiseCast(v.type_, varDispatch);
}

// ---- Elements -------------------------------------------------------------------------------

Variant& Variant::operator[](int index) {
  auto& a = VariantImpl::ArrayOf(*this);
  return a.items[VariantImpl::Offset(a, &index, 1)];
}

const Variant& Variant::operator[](int index) const {
  const auto& a = VariantImpl::ArrayOf(*this);
  return a.items[VariantImpl::Offset(a, &index, 1)];
}

Variant& Variant::At(std::initializer_list<int> indices) {
  auto& a = VariantImpl::ArrayOf(*this);
  return a.items[VariantImpl::Offset(a, indices.begin(), indices.size())];
}

const Variant& Variant::At(std::initializer_list<int> indices) const {
  const auto& a = VariantImpl::ArrayOf(*this);
  return a.items[VariantImpl::Offset(a, indices.begin(), indices.size())];
}

bool Variant::operator==(const Variant& other) const {
  return VariantImpl::Compare(*this, other) == TVariantRelationship::vrEqual;
}

// ---- Free functions -------------------------------------------------------------------------

const Variant Unassigned;
const Variant Null = Variant::NullValue();

Variant VarRef(Variant& target) {
  return VariantImpl::MakeRef(target);
}

TVarType VarType(const Variant& v) {
  return v.VarType();
}
bool VarIsEmpty(const Variant& v) {
  return v.IsEmpty();
}
bool VarIsNull(const Variant& v) {
  return v.IsNull();
}
bool VarIsArray(const Variant& v) {
  return v.IsArray();
}
bool VarIsStr(const Variant& v) {
  return IsTextType(VariantImpl::Type(v.Deref()));
}

bool VarIsNumeric(const Variant& v) {
  TVarType t = VariantImpl::Type(v.Deref());
  return IsOrdinalType(t) || t == varDouble;
}

AnsiString VarToStr(const Variant& v) {
  return v.IsNull() ? AnsiString() : v.AsString();
}

AnsiString VarToStrDef(const Variant& v, std::string_view ifNull) {
  return v.IsNull() ? AnsiString(ifNull) : v.AsString();
}

Variant VarAsType(const Variant& value, TVarType varType) {
  const Variant& v = value.Deref();
  TVarType from = VariantImpl::Type(v);
  switch (varType) {
    case varEmpty:
      return Variant();
    case varNull:
      if (from != varNull) RaiseCast(from, varNull);
      return Variant::NullValue();
    case varSmallint:
      return VariantImpl::MakeOrdinal(varSmallint,
                                      VariantImpl::ToRange(v, varSmallint, -32768, 32767));
    case varInteger:
      return VariantImpl::MakeOrdinal(
          varInteger, VariantImpl::ToRange(v, varInteger, std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::int32_t>::max()));
    case varByte:
      return VariantImpl::MakeOrdinal(varByte, VariantImpl::ToRange(v, varByte, 0, 255));
    case varDouble:
      return Variant(VariantImpl::ToDouble(v, varDouble));
    case varDate:
      return Variant::FromDate(VariantImpl::ToDateTime(v));
    case varBoolean:
      return Variant(VariantImpl::ToBoolean(v));
    case varString:
      return Variant(VariantImpl::ToString(v, varString));
    case varOleStr:
      return Variant(VariantImpl::ToWide(v));
    case varDispatch:
      return Variant(v.AsDispatch());
    case varVariant:
      return v;
    default:
      if ((varType & varArray) && from == varType) return v;
      RaiseCast(from, varType);
  }
}

AnsiString VarTypeAsText(TVarType varType) {
  const char* name = "Unknown";
  switch (varType & varTypeMask) {
    case varEmpty:
      name = "Empty";
      break;
    case varNull:
      name = "Null";
      break;
    case varSmallint:
      name = "Smallint";
      break;
    case varInteger:
      name = "Integer";
      break;
    case varDouble:
      name = "Double";
      break;
    case varDate:
      name = "Date";
      break;
    case varOleStr:
      name = "OleStr";
      break;
    case varDispatch:
      name = "Dispatch";
      break;
    case varBoolean:
      name = "Boolean";
      break;
    case varVariant:
      name = "Variant";
      break;
    case varByte:
      name = "Byte";
      break;
    case varString:
      name = "String";
      break;
    default:
      break;
  }
  return (varType & varArray) ? "Array " + AnsiString(name) : AnsiString(name);
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  return VariantImpl::Compare(a, b);
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType varType) {
  return VariantImpl::MakeArray(std::vector<int>(bounds), varType);
}

Variant VarArrayCreate(const std::vector<int>& bounds, TVarType varType) {
  return VariantImpl::MakeArray(bounds, varType);
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
  return VarArrayOf(std::vector<Variant>(values));
}

Variant VarArrayOf(const std::vector<Variant>& values) {
  Variant result = VarArrayCreate({0, static_cast<int>(values.size()) - 1}, varVariant);
  auto& items = VariantImpl::Array(result).items;
  for (std::size_t i = 0; i < values.size(); ++i) items[i] = values[i];
  return result;
}

int VarArrayDimCount(const Variant& v) {
  const Variant& d = v.Deref();
  return d.IsArray() ? static_cast<int>(VariantImpl::Array(d).bounds.size()) : 0;
}

int VarArrayLowBound(const Variant& v, int dim) {
  const auto& a = VariantImpl::ArrayOf(v);
  if (dim < 1 || dim > static_cast<int>(a.bounds.size())) RaiseBadIndex();
  return a.bounds[dim - 1].low;
}

int VarArrayHighBound(const Variant& v, int dim) {
  const auto& a = VariantImpl::ArrayOf(v);
  if (dim < 1 || dim > static_cast<int>(a.bounds.size())) RaiseBadIndex();
  return a.bounds[dim - 1].high;
}

void VarArrayRedim(Variant& v, int highBound) {
  VariantImpl::Redim(v, highBound);
}

TVarType VarArrayElementType(const Variant& v) {
  return VariantImpl::ArrayOf(v).elemType;
}

}  // namespace vcl
