// Variant with OLE semantics: empty, null, 16-bit boolean, integers, double, date-time,
// ANSI and wide text, dispatch objects, arrays with explicit bounds, and references.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/rtl/Types.h"

namespace vcl {

class IDispatch;  // automation object; defined in platform/com
using DispatchPtr = std::shared_ptr<IDispatch>;

// Type codes as the platform numbers them.
using TVarType = std::uint16_t;
inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;

enum class TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
 public:
  Variant();                             // empty
  Variant(bool v);                       // varBoolean
  Variant(std::uint8_t v);               // varByte
  Variant(std::int16_t v);               // varSmallint
  Variant(int v);                        // varInteger
  Variant(long v);                       // varInteger when it fits, otherwise varDouble
  Variant(long long v);                  // varInteger when it fits, otherwise varDouble
  Variant(unsigned v);                   // varInteger when it fits, otherwise varDouble
  Variant(unsigned long v);              // varInteger when it fits, otherwise varDouble
  Variant(double v);                     // varDouble
  Variant(const char* v);                // varString
  Variant(std::string_view v);           // varString
  Variant(const AnsiString& v);          // varString
  Variant(AnsiString&& v);               // varString
  Variant(const char16_t* v);            // varOleStr
  Variant(const WideString& v);          // varOleStr
  Variant(DispatchPtr v);                // varDispatch (a null pointer makes an empty dispatch)
  static Variant FromDate(TDateTime v);  // varDate
  static Variant NullValue();            // varNull

  Variant(const Variant& other);  // arrays are copied element by element
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  // The type code, with varArray and varByRef flags.
  TVarType VarType() const;
  bool IsEmpty() const;  // after following a reference
  bool IsNull() const;
  bool IsArray() const;
  bool IsByRef() const { return (type_ & varByRef) != 0; }

  // The variant a reference points to, or this one.
  const Variant& Deref() const;
  Variant& Deref();
  // Assigns through a reference when this is one, otherwise to this variant.
  void Assign(const Variant& value);

  // Conversions with the platform's rules; a value that cannot be converted raises
  // EVariantTypeCastError "Could not convert variant of type (<from>) into type (<to>)".
  // Null converts to nothing; use VarToStr for the empty text of a null.
  bool AsBoolean() const;       // "True"/"False" (any case) and numbers are accepted
  WordBool AsWordBool() const;  // -1 or 0
  int AsInteger() const;        // doubles round half to even
  std::int64_t AsInt64() const;
  double AsDouble() const;  // empty is 0
  TDateTime AsDateTime() const;
  AnsiString AsString() const;      // empty is "", booleans "True"/"False", dates as DateTimeToStr
  WideString AsWideString() const;  // ANSI texts are read in the ANSI code page
  DispatchPtr AsDispatch() const;   // empty gives nullptr

  // Array element access by index along the first dimension (one-dimensional arrays);
  // an index out of bounds raises EVariantBadIndexError "Variant or safe array index out of
  // bounds"; a variant that is not an array raises EVariantInvalidOpError.
  Variant& operator[](int index);
  const Variant& operator[](int index) const;
  // Element access by one index per dimension.
  Variant& At(std::initializer_list<int> indices);
  const Variant& At(std::initializer_list<int> indices) const;

  // Equality with the platform's rules: texts compare as texts (case-sensitive), a text and
  // a number compare as numbers, empty equals empty, "" and 0, null equals only null,
  // booleans compare as -1/0, arrays compare by bounds and elements, dispatch objects by
  // identity.
  bool operator==(const Variant& other) const;
  bool operator!=(const Variant& other) const { return !(*this == other); }

 private:
  friend class VariantImpl;
  struct ArrayData;
  void Clear() noexcept;
  void CopyFrom(const Variant& other);
  void MoveFrom(Variant& other) noexcept;
  void CopyScalar(const Variant& other) noexcept;
  static bool RefersTo(const Variant& from, const Variant* target);

  // The type code with its flags; a by-reference variant holds varByRef | varVariant.
  TVarType type_ = varEmpty;
  union {
    std::int64_t int_ = 0;  // smallint, integer, byte, boolean (-1/0)
    double double_;         // double, date
    Variant* ref_;          // by reference
  };
  // Text (varString), wide text (varOleStr), dispatch object or array elements.
  std::variant<std::monostate, AnsiString, WideString, DispatchPtr, std::unique_ptr<ArrayData>>
      heap_;
};

// The empty and null values.
extern const Variant Unassigned;
extern const Variant Null;

// A reference to `target`, for by-reference arguments: reading follows the reference,
// Assign writes through it. `target` must outlive the reference.
Variant VarRef(Variant& target);

TVarType VarType(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsArray(const Variant& v);
bool VarIsStr(const Variant& v);
bool VarIsNumeric(const Variant& v);
// Text of a variant, with null giving "".
AnsiString VarToStr(const Variant& v);
// Text of a variant, with null giving `ifNull`.
AnsiString VarToStrDef(const Variant& v, std::string_view ifNull);
// A copy converted to `varType` (raises as the conversions above).
Variant VarAsType(const Variant& v, TVarType varType);
// The platform's type name ("Empty", "Null", "Integer", "String", "OleStr", "Array Variant" ...).
AnsiString VarTypeAsText(TVarType varType);
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

// Arrays. `bounds` holds a low and a high bound per dimension; elements start as empty
// variants (varVariant) or zero values of `varType`. Bad bounds raise
// EVariantArrayCreateError.
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType varType);
Variant VarArrayCreate(const std::vector<int>& bounds, TVarType varType);
// A one-dimensional variant array 0..n-1 of `values`.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
int VarArrayDimCount(const Variant& v);  // 0 for a non-array
// Bounds of dimension `dim` (1-based); a variant that is not an array raises
// EVariantInvalidOpError, a bad dimension EVariantBadIndexError.
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
// Changes the high bound of the last dimension, keeping the elements that remain; new
// elements start as in VarArrayCreate. A bound below the low bound - 1 raises
// EVariantArrayCreateError, a variant that is not an array EVariantInvalidOpError.
void VarArrayRedim(Variant& v, int highBound);
// The element type of an array (varVariant for variant arrays); a variant that is not an
// array raises EVariantInvalidOpError.
TVarType VarArrayElementType(const Variant& v);

}  // namespace vcl
