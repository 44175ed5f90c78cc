#include "platform/vcl/TypInfo.h"

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

namespace {

// Type objects live for the whole process. The registry is allocated once and never freed,
// so that code running during static destruction can still use the types; it stays
// reachable through the static pointer and so is no leak.
struct TypeRegistry {
  std::mutex mutex;
  std::deque<TTypeInfo> types;
  std::map<const TClass*, const TTypeInfo*> classTypes;
  std::map<std::pair<std::string, std::string>, const TTypeInfo*> methodTypes;
};

TypeRegistry& Types() {
  static TypeRegistry* registry = new TypeRegistry;
  return *registry;
}

const TTypeInfo* NewTypeLocked(TypeRegistry& r, TTypeInfo info) {
  r.types.push_back(std::move(info));
  return &r.types.back();
}

const TTypeInfo* NewType(TTypeInfo info) {
  TypeRegistry& r = Types();
  std::lock_guard<std::mutex> lock(r.mutex);
  return NewTypeLocked(r, std::move(info));
}

TTypeInfo Basic(TTypeKind kind, const char* name) {
  TTypeInfo t;
  t.Kind = kind;
  t.Name = name;
  return t;
}

struct NamedValue {
  const char* name;
  std::int64_t value;
};

// The first entry of a value is its name; later entries with the same value are aliases
// accepted when reading names.
const NamedValue kColors[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clMoneyGreen", clMoneyGreen},
    {"clSkyBlue", clSkyBlue},
    {"clCream", clCream},
    {"clMedGray", clMedGray},
    {"clNone", clNone},
    {"clDefault", clDefault},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clLtGray", clLtGray},
    {"clDkGray", clDkGray},
};

// Cursor values as platform/vcl/Controls.h defines them (the property layer does not depend
// on the controls; a test checks that both agree).
const NamedValue kCursors[] = {
    {"crDefault", 0},     {"crNone", -1},     {"crArrow", -2},      {"crCross", -3},
    {"crIBeam", -4},      {"crSizeNESW", -6}, {"crSizeNS", -7},     {"crSizeNWSE", -8},
    {"crSizeWE", -9},     {"crUpArrow", -10}, {"crHourGlass", -11}, {"crDrag", -12},
    {"crNoDrop", -13},    {"crHSplit", -14},  {"crVSplit", -15},    {"crMultiDrag", -16},
    {"crSQLWait", -17},   {"crNo", -18},      {"crAppStart", -19},  {"crHelp", -20},
    {"crHandPoint", -21}, {"crSizeAll", -22},
};

template <size_t N>
bool LookupIdent(const NamedValue (&table)[N], std::string_view ident, std::int64_t& value) {
  for (const NamedValue& nv : table)
    if (SameText(nv.name, ident)) {
      value = nv.value;
      return true;
    }
  return false;
}

template <size_t N>
bool LookupValue(const NamedValue (&table)[N], std::int64_t value, AnsiString& ident) {
  for (const NamedValue& nv : table)
    if (nv.value == value) {
      ident = nv.name;
      return true;
    }
  return false;
}

// Colours are 32-bit: system colours may arrive sign-extended or as unsigned numbers.
bool NormalizeColor(std::int64_t value, std::int64_t& color) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
    return false;
  color = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  return true;
}

bool ColorIdentToInt(std::string_view ident, std::int64_t& value) {
  return IdentToColor(ident, value);
}
bool ColorIntToIdent(std::int64_t value, AnsiString& ident) {
  return ColorToIdent(value, ident);
}
bool CursorIdentToInt(std::string_view ident, std::int64_t& value) {
  return IdentToCursor(ident, value);
}
bool CursorIntToIdent(std::int64_t value, AnsiString& ident) {
  return CursorToIdent(value, ident);
}

// ---- property lists ------------------------------------------------------------------

struct ClassProps {
  std::deque<TPropInfo> own;          // the class's own properties (stable addresses)
  std::vector<const TPropInfo*> all;  // ancestors' first, republished ones replaced
};

struct PropRegistry {
  std::mutex mutex;
  std::map<const TClass*, std::unique_ptr<ClassProps>> classes;
};

PropRegistry& Props() {
  static PropRegistry* registry = new PropRegistry;
  return *registry;
}

const ClassProps& BuildLocked(PropRegistry& r, const TClass* cls) {
  auto it = r.classes.find(cls);
  if (it != r.classes.end()) return *it->second;
  auto entry = std::make_unique<ClassProps>();
  if (const TClass* parent = cls->ClassParent()) entry->all = BuildLocked(r, parent).all;
  if (TClass::Publisher publish = cls->GetPublisher()) {
    std::vector<TPropInfo> own;
    TPublisher publisher(own);
    publish(publisher);
    for (TPropInfo& p : own) entry->own.push_back(std::move(p));
  }
  for (const TPropInfo& p : entry->own) {
    bool replaced = false;
    for (const TPropInfo*& q : entry->all)
      if (SameText(q->Name, p.Name)) {
        q = &p;
        replaced = true;
        break;
      }
    if (!replaced) entry->all.push_back(&p);
  }
  const ClassProps& result = *entry;
  r.classes.emplace(cls, std::move(entry));
  return result;
}

const TPropInfo* FindOwnProp(const TObject* object, std::string_view name) {
  if (!object || name.empty()) return nullptr;
  for (const TPropInfo* p : GetPropList(object->ClassType()))
    if (SameText(p->Name, name)) return p;
  return nullptr;
}

// ---- access helpers ------------------------------------------------------------------

[[noreturn]] void Unknown(std::string_view path) {
  throw EPropertyError("Unknown property: '" + AnsiString(path) + "'");
}
[[noreturn]] void Invalid() {
  throw EPropertyConvertError("Invalid property value");
}
[[noreturn]] void ReadOnly(const TPropInfo* p) {
  throw EPropertyError("Property " + p->Name + " is read-only");
}

struct Target {
  TObject* holder;
  const TPropInfo* prop;
};

Target Resolve(TObject* object, std::string_view path) {
  TObject* holder = nullptr;
  const TPropInfo* p = FindPropPath(object, path, holder);
  if (!p) Unknown(path);
  return {holder, p};
}

bool IsOrdinal(TTypeKind k) {
  return k == TTypeKind::tkInteger || k == TTypeKind::tkChar || k == TTypeKind::tkEnumeration ||
         k == TTypeKind::tkSet;
}

bool IsCardinal(const TTypeInfo* t) {
  return SameText(t->Name, "Cardinal");
}

// Checks an ordinal value against its type's range; integers are 32-bit (Cardinal unsigned),
// and an unsigned 32-bit value is taken as its two's complement for signed integers so that
// colours such as 0x80000005 can be given as they are written.
bool FitOrdinal(const TTypeInfo* t, std::int64_t value, std::int64_t& out) {
  switch (t->Kind) {
    case TTypeKind::tkInteger:
      if (IsCardinal(t)) {
        if (value < 0 || value > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
          return false;
        out = value;
        return true;
      }
      if (value < std::numeric_limits<std::int32_t>::min() ||
          value > std::int64_t(std::numeric_limits<std::uint32_t>::max()))
        return false;
      out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
      return true;
    case TTypeKind::tkChar:
      if (value < 0 || value > 255) return false;
      out = value;
      return true;
    case TTypeKind::tkEnumeration:
      if (value < 0 || value >= std::int64_t(t->EnumNames.size())) return false;
      out = value;
      return true;
    case TTypeKind::tkSet: {
      size_t n = t->EnumNames.size();
      if (value < 0 || (n < 63 && value >= (std::int64_t(1) << n))) return false;
      out = value;
      return true;
    }
    default:
      return false;
  }
}

void WriteOrd(const Target& t, std::int64_t value) {
  std::int64_t v;
  if (!FitOrdinal(t.prop->PropType, value, v)) Invalid();
  if (!t.prop->SetOrd) ReadOnly(t.prop);
  t.prop->SetOrd(t.holder, v);
}

AnsiString EnumName(const TTypeInfo* t, std::int64_t value) {
  if (value >= 0 && value < std::int64_t(t->EnumNames.size()))
    return t->EnumNames[static_cast<size_t>(value)];
  return IntToStr(value);
}

bool ParseEnum(const TTypeInfo* t, std::string_view text, std::int64_t& value) {
  AnsiString s = Trim(text);
  for (size_t i = 0; i < t->EnumNames.size(); ++i)
    if (SameText(t->EnumNames[i], s)) {
      value = std::int64_t(i);
      return true;
    }
  std::int64_t n;
  if (!TryStrToInt64(s, n) || n < 0 || n >= std::int64_t(t->EnumNames.size())) return false;
  value = n;
  return true;
}

AnsiString SetToString(const TTypeInfo* t, std::int64_t value) {
  AnsiString s = "[";
  bool first = true;
  for (size_t i = 0; i < t->EnumNames.size() && i < 63; ++i)
    if (value & (std::int64_t(1) << i)) {
      if (!first) s += ',';
      s += t->EnumNames[i];
      first = false;
    }
  return s + "]";
}

bool ParseSet(const TTypeInfo* t, std::string_view text, std::int64_t& value) {
  AnsiString s = Trim(text);
  bool bracketed = !s.empty() && s.front() == '[';
  if (bracketed) {
    if (s.size() < 2 || s.back() != ']') return false;
    s = Trim(std::string_view(s).substr(1, s.size() - 2));
  } else {
    // A plain number is the bit mask itself.
    std::int64_t n;
    if (TryStrToInt64(s, n)) return FitOrdinal(t, n, value);
  }
  std::int64_t mask = 0;
  if (!s.empty()) {
    size_t start = 0;
    while (true) {
      size_t comma = s.find(',', start);
      AnsiString item = Trim(std::string_view(s).substr(
          start, comma == AnsiString::npos ? AnsiString::npos : comma - start));
      bool found = false;
      for (size_t i = 0; i < t->EnumNames.size() && i < 63; ++i)
        if (SameText(t->EnumNames[i], item)) {
          mask |= std::int64_t(1) << i;
          found = true;
          break;
        }
      if (!found) return false;
      if (comma == AnsiString::npos) break;
      start = comma + 1;
    }
  }
  value = mask;
  return true;
}

bool IsHexText(std::string_view text) {
  AnsiString s = Trim(text);
  size_t i = (!s.empty() && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  return (i < s.size() && s[i] == '$') ||
         (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X'));
}

// An integer property's value from text: a name of the type, decimal, or "$" hex.
bool ParseInteger(const TTypeInfo* t, std::string_view text, std::int64_t& value) {
  AnsiString s = Trim(text);
  if (t->IdentToInt && t->IdentToInt(s, value)) return true;
  std::int64_t n;
  if (!TryStrToInt64(s, n)) return false;
  // Decimal text must fit a signed 32-bit integer; hexadecimal text may use all 32 bits.
  if (!IsCardinal(t) && !IsHexText(s) &&
      (n < std::numeric_limits<std::int32_t>::min() ||
       n > std::numeric_limits<std::int32_t>::max()))
    return false;
  return FitOrdinal(t, n, value);
}

// Converts text to the ordinal value of a property's type.
bool ParseOrdinal(const TTypeInfo* t, std::string_view text, std::int64_t& value) {
  switch (t->Kind) {
    case TTypeKind::tkInteger:
      return ParseInteger(t, text, value);
    case TTypeKind::tkChar:
      if (text.size() > 1) return false;
      value = text.empty() ? 0 : std::int64_t(static_cast<unsigned char>(text[0]));
      return true;
    case TTypeKind::tkEnumeration:
      return ParseEnum(t, text, value);
    case TTypeKind::tkSet:
      return ParseSet(t, text, value);
    default:
      return false;
  }
}

AnsiString OrdinalToString(const TTypeInfo* t, std::int64_t value) {
  switch (t->Kind) {
    case TTypeKind::tkInteger: {
      AnsiString ident;
      if (t->IntToIdent && t->IntToIdent(value, ident)) return ident;
      return IntToStr(value);
    }
    case TTypeKind::tkChar:
      return value == 0 ? AnsiString() : AnsiString(1, static_cast<char>(value));
    case TTypeKind::tkEnumeration:
      return EnumName(t, value);
    case TTypeKind::tkSet:
      return SetToString(t, value);
    default:
      return IntToStr(value);
  }
}

void SetFromText(const Target& t, std::string_view value) {
  const TPropInfo* p = t.prop;
  switch (p->Kind()) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet: {
      std::int64_t v;
      if (!ParseOrdinal(p->PropType, value, v)) Invalid();
      if (!p->SetOrd) ReadOnly(p);
      p->SetOrd(t.holder, v);
      return;
    }
    case TTypeKind::tkFloat: {
      double d;
      if (!TryStrToFloat(value, d)) Invalid();
      if (!p->SetFloat) ReadOnly(p);
      p->SetFloat(t.holder, d);
      return;
    }
    case TTypeKind::tkString:
      if (!p->SetStr) ReadOnly(p);
      p->SetStr(t.holder, AnsiString(value));
      return;
    default:
      Invalid();
  }
}

}  // namespace

// ---- types ---------------------------------------------------------------------------

const TTypeInfo* TypeInteger() {
  static const TTypeInfo* t = NewType(Basic(TTypeKind::tkInteger, "Integer"));
  return t;
}
const TTypeInfo* TypeCardinal() {
  static const TTypeInfo* t = NewType(Basic(TTypeKind::tkInteger, "Cardinal"));
  return t;
}
const TTypeInfo* TypeChar() {
  static const TTypeInfo* t = NewType(Basic(TTypeKind::tkChar, "Char"));
  return t;
}
const TTypeInfo* TypeBoolean() {
  static const TTypeInfo* t = MakeEnumType("Boolean", {"False", "True"});
  return t;
}
const TTypeInfo* TypeDouble() {
  static const TTypeInfo* t = NewType(Basic(TTypeKind::tkFloat, "Double"));
  return t;
}
const TTypeInfo* TypeString() {
  static const TTypeInfo* t = NewType(Basic(TTypeKind::tkString, "String"));
  return t;
}
const TTypeInfo* TypeColor() {
  static const TTypeInfo* t = [] {
    TTypeInfo info = Basic(TTypeKind::tkInteger, "TColor");
    info.IdentToInt = &ColorIdentToInt;
    info.IntToIdent = &ColorIntToIdent;
    return NewType(std::move(info));
  }();
  return t;
}
const TTypeInfo* TypeCursor() {
  static const TTypeInfo* t = [] {
    TTypeInfo info = Basic(TTypeKind::tkInteger, "TCursor");
    info.IdentToInt = &CursorIdentToInt;
    info.IntToIdent = &CursorIntToIdent;
    return NewType(std::move(info));
  }();
  return t;
}

const TTypeInfo* MakeEnumType(const char* name, std::initializer_list<const char*> names) {
  TTypeInfo info = Basic(TTypeKind::tkEnumeration, name);
  for (const char* n : names) info.EnumNames.emplace_back(n);
  return NewType(std::move(info));
}

const TTypeInfo* MakeSetType(const char* name, const TTypeInfo* elementType) {
  TTypeInfo info = Basic(TTypeKind::tkSet, name);
  if (elementType) info.EnumNames = elementType->EnumNames;
  return NewType(std::move(info));
}

const TTypeInfo* ClassTypeInfo(const TClass* cls) {
  TypeRegistry& r = Types();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.classTypes.find(cls);
  if (it != r.classTypes.end()) return it->second;
  TTypeInfo info = Basic(TTypeKind::tkClass, cls ? cls->ClassName() : "TObject");
  info.ClassType = cls;
  const TTypeInfo* t = NewTypeLocked(r, std::move(info));
  r.classTypes.emplace(cls, t);
  return t;
}

const TTypeInfo* MakeMethodType(const char* name, const std::type_info& signature) {
  TypeRegistry& r = Types();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto key = std::make_pair(std::string(name), std::string(signature.name()));
  auto it = r.methodTypes.find(key);
  if (it != r.methodTypes.end()) return it->second;
  TTypeInfo info = Basic(TTypeKind::tkMethod, name);
  info.MethodSignature = &signature;
  const TTypeInfo* t = NewTypeLocked(r, std::move(info));
  r.methodTypes.emplace(std::move(key), t);
  return t;
}

// ---- property lists ------------------------------------------------------------------

bool TPropInfo::IsWritable() const {
  switch (Kind()) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      return bool(SetOrd);
    case TTypeKind::tkFloat:
      return bool(SetFloat);
    case TTypeKind::tkString:
      return bool(SetStr);
    case TTypeKind::tkClass:
      return bool(SetObj);
    case TTypeKind::tkMethod:
      return bool(SetMethod);
    default:
      return false;
  }
}

void TPublisher::Add(TPropInfo info) {
  // Publishing a name twice in one class keeps the later definition.
  for (TPropInfo& p : props_)
    if (SameText(p.Name, info.Name)) {
      p = std::move(info);
      return;
    }
  props_.push_back(std::move(info));
}

const std::vector<const TPropInfo*>& GetPropList(const TClass* cls) {
  static const std::vector<const TPropInfo*>* empty = new std::vector<const TPropInfo*>;
  if (!cls) return *empty;
  PropRegistry& r = Props();
  std::lock_guard<std::mutex> lock(r.mutex);
  return BuildLocked(r, cls).all;
}

// ---- lookup --------------------------------------------------------------------------

const TPropInfo* FindPropPath(TObject* object, std::string_view path, TObject*& holder) {
  holder = nullptr;
  if (!object || path.empty()) return nullptr;
  TObject* current = object;
  while (true) {
    size_t dot = path.find('.');
    const TPropInfo* p = FindOwnProp(current, path.substr(0, dot));
    if (!p) return nullptr;
    if (dot == std::string_view::npos) {
      holder = current;
      return p;
    }
    if (p->Kind() != TTypeKind::tkClass || !p->GetObj) return nullptr;
    current = p->GetObj(current);
    if (!current) return nullptr;
    path = path.substr(dot + 1);
  }
}

const TPropInfo* GetPropInfo(const TObject* object, std::string_view name) {
  TObject* holder;
  return FindPropPath(const_cast<TObject*>(object), name, holder);
}

bool IsPublishedProp(const TObject* object, std::string_view path) {
  return GetPropInfo(object, path) != nullptr;
}

bool PropIsType(const TObject* object, std::string_view path, TTypeKind kind) {
  const TPropInfo* p = GetPropInfo(object, path);
  return p && p->Kind() == kind;
}

bool PropIsTypeName(const TObject* object, std::string_view path, std::string_view typeName) {
  const TPropInfo* p = GetPropInfo(object, path);
  return p && SameText(p->PropType->Name, typeName);
}

// ---- typed access --------------------------------------------------------------------

std::int64_t GetOrdProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (!IsOrdinal(t.prop->Kind()) || !t.prop->GetOrd) Invalid();
  return t.prop->GetOrd(t.holder);
}

void SetOrdProp(TObject* object, std::string_view path, std::int64_t value) {
  Target t = Resolve(object, path);
  if (!IsOrdinal(t.prop->Kind())) Invalid();
  WriteOrd(t, value);
}

AnsiString GetEnumProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkEnumeration || !t.prop->GetOrd) Invalid();
  return EnumName(t.prop->PropType, t.prop->GetOrd(t.holder));
}

void SetEnumProp(TObject* object, std::string_view path, std::string_view value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkEnumeration) Invalid();
  std::int64_t v;
  if (!ParseEnum(t.prop->PropType, value, v)) Invalid();
  WriteOrd(t, v);
}

AnsiString GetSetProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkSet || !t.prop->GetOrd) Invalid();
  return SetToString(t.prop->PropType, t.prop->GetOrd(t.holder));
}

void SetSetProp(TObject* object, std::string_view path, std::string_view value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkSet) Invalid();
  std::int64_t v;
  if (!ParseSet(t.prop->PropType, value, v)) Invalid();
  WriteOrd(t, v);
}

double GetFloatProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkFloat || !t.prop->GetFloat) Invalid();
  return t.prop->GetFloat(t.holder);
}

void SetFloatProp(TObject* object, std::string_view path, double value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkFloat) Invalid();
  if (!t.prop->SetFloat) ReadOnly(t.prop);
  t.prop->SetFloat(t.holder, value);
}

AnsiString GetStrProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkString || !t.prop->GetStr) Invalid();
  return t.prop->GetStr(t.holder);
}

void SetStrProp(TObject* object, std::string_view path, std::string_view value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkString) Invalid();
  if (!t.prop->SetStr) ReadOnly(t.prop);
  t.prop->SetStr(t.holder, AnsiString(value));
}

TObject* GetObjectProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkClass || !t.prop->GetObj) Invalid();
  return t.prop->GetObj(t.holder);
}

void SetObjectProp(TObject* object, std::string_view path, TObject* value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkClass) Invalid();
  const TClass* cls = t.prop->PropType->ClassType;
  if (value && cls && !value->InheritsFrom(cls)) Invalid();
  if (!t.prop->SetObj) ReadOnly(t.prop);
  t.prop->SetObj(t.holder, value);
}

TMethod GetMethodProp(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkMethod || !t.prop->GetMethod) Invalid();
  return t.prop->GetMethod(t.holder);
}

void SetMethodProp(TObject* object, std::string_view path, const TMethod& value) {
  Target t = Resolve(object, path);
  if (t.prop->Kind() != TTypeKind::tkMethod) Invalid();
  if (value.IsAssigned()) {
    const std::type_info* expected = t.prop->PropType->MethodSignature;
    if (!value.Signature || !expected || *value.Signature != *expected) Invalid();
  }
  if (!t.prop->SetMethod) ReadOnly(t.prop);
  t.prop->SetMethod(t.holder, value);
}

// ---- text and Variant access ---------------------------------------------------------

AnsiString GetPropAsString(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  const TPropInfo* p = t.prop;
  switch (p->Kind()) {
    case TTypeKind::tkInteger:
    case TTypeKind::tkChar:
    case TTypeKind::tkEnumeration:
    case TTypeKind::tkSet:
      if (!p->GetOrd) Invalid();
      return OrdinalToString(p->PropType, p->GetOrd(t.holder));
    case TTypeKind::tkFloat:
      if (!p->GetFloat) Invalid();
      return FloatToStr(p->GetFloat(t.holder));
    case TTypeKind::tkString:
      if (!p->GetStr) Invalid();
      return p->GetStr(t.holder);
    case TTypeKind::tkClass: {
      if (!p->GetObj) Invalid();
      TObject* o = p->GetObj(t.holder);
      return o ? AnsiString(o->ClassName()) : AnsiString();
    }
    default:
      Invalid();
  }
}

void SetPropAsString(TObject* object, std::string_view path, std::string_view value) {
  SetFromText(Resolve(object, path), value);
}

bool TrySetPropAsString(TObject* object, std::string_view path, std::string_view value) {
  try {
    SetPropAsString(object, path, value);
    return true;
  } catch (const Exception&) {
    // Unknown, read-only, invalid value, or a setter that refused the value.
    return false;
  }
}

Variant GetPropValue(TObject* object, std::string_view path) {
  Target t = Resolve(object, path);
  const TPropInfo* p = t.prop;
  switch (p->Kind()) {
    case TTypeKind::tkInteger:
      if (!p->GetOrd) Invalid();
      return Variant(static_cast<long long>(p->GetOrd(t.holder)));
    case TTypeKind::tkEnumeration:
      if (!p->GetOrd) Invalid();
      if (p->PropType == TypeBoolean()) return Variant(p->GetOrd(t.holder) != 0);
      return Variant(EnumName(p->PropType, p->GetOrd(t.holder)));
    case TTypeKind::tkFloat:
      if (!p->GetFloat) Invalid();
      return Variant(p->GetFloat(t.holder));
    case TTypeKind::tkChar:
    case TTypeKind::tkSet:
    case TTypeKind::tkString:
      return Variant(GetPropAsString(object, path));
    default:
      Invalid();
  }
}

void SetPropValue(TObject* object, std::string_view path, const Variant& value) {
  Target t = Resolve(object, path);
  const TPropInfo* p = t.prop;
  const Variant& v = value.Deref();
  TVarType vt = v.VarType() & varTypeMask;
  bool text = vt == varString || vt == varOleStr;
  try {
    switch (p->Kind()) {
      case TTypeKind::tkInteger:
      case TTypeKind::tkChar:
      case TTypeKind::tkSet:
        if (text) return SetFromText(t, v.AsString());
        return WriteOrd(t, v.AsInt64());
      case TTypeKind::tkEnumeration:
        if (text) return SetFromText(t, v.AsString());
        if (vt == varBoolean) return WriteOrd(t, v.AsBoolean() ? 1 : 0);
        return WriteOrd(t, v.AsInt64());
      case TTypeKind::tkFloat: {
        double d = v.AsDouble();
        if (!p->SetFloat) ReadOnly(p);
        p->SetFloat(t.holder, d);
        return;
      }
      case TTypeKind::tkString: {
        AnsiString s = v.AsString();
        if (!p->SetStr) ReadOnly(p);
        p->SetStr(t.holder, s);
        return;
      }
      default:
        Invalid();
    }
  } catch (const EVariantError&) {
    Invalid();
  }
}

// ---- named integers ------------------------------------------------------------------

bool ColorToIdent(std::int64_t color, AnsiString& ident) {
  std::int64_t c;
  return NormalizeColor(color, c) && LookupValue(kColors, c, ident);
}

bool IdentToColor(std::string_view ident, std::int64_t& color) {
  return LookupIdent(kColors, ident, color);
}

AnsiString ColorToString(std::int64_t color) {
  AnsiString ident;
  if (ColorToIdent(color, ident)) return ident;
  return "$" + IntToHex(static_cast<std::uint32_t>(color), 8);
}

std::int64_t StringToColor(std::string_view s) {
  std::int64_t value;
  AnsiString t = Trim(s);
  if (IdentToColor(t, value)) return value;
  if (TryStrToInt64(t, value)) {
    bool fits = IsHexText(t) ? NormalizeColor(value, value)
                             : value >= std::numeric_limits<std::int32_t>::min() &&
                                   value <= std::numeric_limits<std::int32_t>::max();
    if (fits) return value;
  }
  throw EConvertError("'" + AnsiString(s) + "' is not a valid integer value");
}

bool CursorToIdent(std::int64_t cursor, AnsiString& ident) {
  return LookupValue(kCursors, cursor, ident);
}

bool IdentToCursor(std::string_view ident, std::int64_t& cursor) {
  return LookupIdent(kCursors, ident, cursor);
}

}  // namespace vcl
