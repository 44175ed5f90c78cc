#include "platform/rtl/Registry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"

namespace vcl {
namespace {

// Keys are stored in one ordered map under a canonical path: the root's number followed by
// "\" and the lower-cased name of each level ("2\software\kvl"). The ordering keeps a key and
// all of its subkeys together, which makes deleting a whole branch one range erase.
struct RegValue {
  std::string name;  // as written in the file
  TRegDataType type = TRegDataType::rdUnknown;
  std::string text;                  // rdString, rdExpandString (UTF-8)
  std::uint32_t dword = 0;           // rdInteger
  std::vector<std::string> strings;  // rdMultiString (UTF-8)
  std::vector<std::uint8_t> bytes;   // rdBinary, rdUnknown
};

struct RegKey {
  std::vector<RegValue> values;
  std::vector<std::string> children;  // names of the immediate subkeys, as first written
};

using Hive = std::map<std::string, RegKey>;

constexpr int kRootCount = 4;

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ToLower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// Names handed in by callers are ANSI text; the file holds UTF-8. ASCII is the same in every
// ANSI code page, so it is taken as it is: reading the ANSI code page itself from the
// registry must not ask for the ANSI code page.
std::string NameToUtf8(std::string_view name) {
  return IsAscii(name) ? std::string(name) : AnsiToUtf8(name);
}

AnsiString NameToAnsi(std::string_view name) {
  return IsAscii(name) ? std::string(name) : Utf8ToAnsi(name);
}

// Root number (0..3) for a root key name as written in a file, -1 when unknown.
int RootFromName(std::string_view name) {
  static constexpr std::string_view kNames[][2] = {{"HKEY_CLASSES_ROOT", "HKCR"},
                                                   {"HKEY_CURRENT_USER", "HKCU"},
                                                   {"HKEY_LOCAL_MACHINE", "HKLM"},
                                                   {"HKEY_USERS", "HKU"}};
  for (int i = 0; i < kRootCount; ++i)
    if (SameAscii(name, kNames[i][0]) || SameAscii(name, kNames[i][1])) return i;
  return -1;
}

int RootFromHandle(HKEY key) {
  if (key >= HKEY_CLASSES_ROOT && key < HKEY_CLASSES_ROOT + kRootCount)
    return static_cast<int>(key - HKEY_CLASSES_ROOT);
  return -1;
}

// The non-empty levels of a "\"-separated key path.
std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string Canonical(int root, const std::vector<std::string>& parts) {
  std::string out = std::to_string(root);
  for (const auto& part : parts) {
    out += '\\';
    out += ToLower(part);
  }
  return out;
}

std::string JoinKeyPath(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += '\\';
    out += part;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Comma-separated bytes of one or two hex digits; blanks around them and a final comma are
// allowed. False for anything else.
bool ParseHexBytes(std::string_view data, std::vector<std::uint8_t>& out) {
  data = TrimBlanks(data);
  if (data.empty()) return true;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t comma = data.find(',', pos);
    std::string_view token =
        TrimBlanks(data.substr(pos, comma == std::string_view::npos ? data.npos : comma - pos));
    if (token.empty()) {
      // Only a trailing comma may leave an empty item.
      if (comma == std::string_view::npos) break;
      return false;
    }
    if (token.size() > 2) return false;
    int value = 0;
    for (char c : token) {
      int d = HexDigit(c);
      if (d < 0) return false;
      value = value * 16 + d;
    }
    out.push_back(static_cast<std::uint8_t>(value));
    if (comma == std::string_view::npos) break;
    pos = comma + 1;
    if (pos == data.size()) break;
  }
  return true;
}

// UTF-16LE bytes to UTF-16 units (an odd last byte is dropped).
std::u16string BytesToUtf16(const std::vector<std::uint8_t>& bytes) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  return out;
}

// A quoted text starting at s[pos] == '"', with \\ and \" escapes; pos ends after the closing
// quote. False when the closing quote is missing.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
  ++pos;
  while (pos < s.size()) {
    char c = s[pos];
    if (c == '"') {
      ++pos;
      return true;
    }
    if (c == '\\' && pos + 1 < s.size() && (s[pos + 1] == '\\' || s[pos + 1] == '"')) {
      out += s[pos + 1];
      pos += 2;
      continue;
    }
    out += c;
    ++pos;
  }
  return false;
}

class Parser {
 public:
  Hive Parse(std::string_view text) {
    for (int i = 0; i < kRootCount; ++i) hive_[std::to_string(i)];
    SplitLines(text);
    size_t index = 0;
    // The header line is expected but not required.
    while (index < lines_.size() && TrimBlanks(lines_[index]).empty()) ++index;
    if (index < lines_.size()) {
      std::string_view first = TrimBlanks(lines_[index]);
      if (first == "REGEDIT4") {
        ansiHex_ = true;
        ++index;
      } else if (first.starts_with("Windows Registry Editor Version")) {
        ++index;
      }
    }
    while (index < lines_.size()) ParseLine(index);
    return std::move(hive_);
  }

 private:
  void SplitLines(std::string_view text) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      lines_.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  // Handles the line at `index` (and its continuation lines) and moves `index` past them.
  void ParseLine(size_t& index) {
    std::string_view line = TrimBlanks(lines_[index++]);
    if (line.empty() || line.front() == ';') return;
    if (line.front() == '[') {
      ParseKeyLine(line);
      return;
    }
    if (line.front() != '"' && line.front() != '@') return;  // not a value line

    std::string name;
    size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else if (!ParseQuoted(line, pos, name)) {
      return;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') return;
    std::string_view data = TrimBlanks(line.substr(pos + 1));

    // Hex data may go on over several lines, each but the last ending in "\".
    std::string joined;
    if (data.size() >= 3 && SameAscii(data.substr(0, 3), "hex")) {
      joined = std::string(data);
      while (!joined.empty() && joined.back() == '\\' && index < lines_.size()) {
        joined.pop_back();
        joined += TrimBlanks(lines_[index++]);
      }
      data = joined;
    }
    if (!key_) return;  // values of a key that is missing, deleted or malformed
    if (data == "-") {
      DeleteValue(name);
      return;
    }
    RegValue value;
    value.name = std::move(name);
    if (ParseData(data, value)) SetValue(std::move(value));
  }

  void ParseKeyLine(std::string_view line) {
    key_ = nullptr;
    if (line.size() < 2 || line.back() != ']') return;
    std::string_view path = line.substr(1, line.size() - 2);
    bool remove = !path.empty() && path.front() == '-';
    if (remove) path.remove_prefix(1);
    std::vector<std::string> parts = SplitKeyPath(path);
    if (parts.empty()) return;
    int root = RootFromName(parts.front());
    if (root < 0) return;
    parts.erase(parts.begin());
    if (remove)
      DeleteKey(root, parts);
    else
      key_ = EnsureKey(root, parts);
  }

  RegKey* EnsureKey(int root, const std::vector<std::string>& parts) {
    std::string canon = std::to_string(root);
    RegKey* node = &hive_[canon];
    for (const auto& part : parts) {
      canon += '\\';
      canon += ToLower(part);
      auto [it, inserted] = hive_.try_emplace(canon);
      if (inserted) node->children.push_back(part);
      node = &it->second;
    }
    return node;
  }

  void DeleteKey(int root, std::vector<std::string> parts) {
    std::string canon = Canonical(root, parts);
    // "]" follows "\" in byte order, so [canon\, canon]) holds exactly the subkeys.
    hive_.erase(hive_.lower_bound(canon + "\\"), hive_.lower_bound(canon + "]"));
    if (parts.empty()) {  // a root stays, emptied
      hive_[canon] = RegKey{};
      return;
    }
    hive_.erase(canon);
    std::string leaf = parts.back();
    parts.pop_back();
    auto parent = hive_.find(Canonical(root, parts));
    if (parent != hive_.end()) {
      auto& children = parent->second.children;
      for (auto it = children.begin(); it != children.end(); ++it) {
        if (SameAscii(*it, leaf)) {
          children.erase(it);
          break;
        }
      }
    }
  }

  void DeleteValue(std::string_view name) {
    auto& values = key_->values;
    for (auto it = values.begin(); it != values.end(); ++it) {
      if (SameAscii(it->name, name)) {
        values.erase(it);
        return;
      }
    }
  }

  void SetValue(RegValue value) {
    for (auto& existing : key_->values) {
      if (SameAscii(existing.name, value.name)) {
        value.name = std::move(existing.name);  // the name keeps its first spelling
        existing = std::move(value);
        return;
      }
    }
    key_->values.push_back(std::move(value));
  }

  // Texts stored as hex data: UTF-16LE in version 5 files, 8-bit bytes in REGEDIT4 files.
  std::vector<std::string> HexTexts(const std::vector<std::uint8_t>& bytes) const {
    std::vector<std::string> texts;
    if (ansiHex_) {
      std::string current;
      for (std::uint8_t b : bytes) {
        if (b == 0) {
          texts.push_back(std::move(current));
          current.clear();
        } else {
          current += static_cast<char>(b);
        }
      }
      if (!current.empty()) texts.push_back(std::move(current));
      return texts;
    }
    std::u16string units = BytesToUtf16(bytes);
    size_t start = 0;
    while (start < units.size()) {
      size_t end = units.find(u'\0', start);
      if (end == std::u16string::npos) end = units.size();
      texts.push_back(WideToUtf8(std::u16string_view(units).substr(start, end - start)));
      start = end + 1;
    }
    return texts;
  }

  bool ParseData(std::string_view data, RegValue& value) const {
    if (!data.empty() && data.front() == '"') {
      size_t pos = 0;
      if (!ParseQuoted(data, pos, value.text)) return false;
      if (!TrimBlanks(data.substr(pos)).empty()) return false;
      value.type = TRegDataType::rdString;
      return true;
    }
    if (data.size() > 6 && SameAscii(data.substr(0, 6), "dword:")) {
      std::string_view digits = data.substr(6);
      if (digits.size() > 8) return false;
      std::uint32_t n = 0;
      for (char c : digits) {
        int d = HexDigit(c);
        if (d < 0) return false;
        n = n * 16 + static_cast<std::uint32_t>(d);
      }
      value.type = TRegDataType::rdInteger;
      value.dword = n;
      return true;
    }
    if (data.size() < 4 || !SameAscii(data.substr(0, 3), "hex")) return false;
    unsigned kind = 3;  // binary
    size_t colon;
    if (data[3] == ':') {
      colon = 3;
    } else if (data[3] == '(') {
      size_t close = data.find(')', 4);
      if (close == std::string_view::npos || close == 4 || close > 12 || close + 1 >= data.size() ||
          data[close + 1] != ':')
        return false;
      kind = 0;
      for (char c : data.substr(4, close - 4)) {
        int d = HexDigit(c);
        if (d < 0) return false;
        kind = kind * 16 + static_cast<unsigned>(d);
      }
      colon = close + 1;
    } else {
      return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ParseHexBytes(data.substr(colon + 1), bytes)) return false;
    switch (kind) {
      case 1:    // string
      case 2: {  // expand string
        std::vector<std::string> texts = HexTexts(bytes);
        value.type = kind == 1 ? TRegDataType::rdString : TRegDataType::rdExpandString;
        value.text = texts.empty() ? std::string() : texts.front();
        return true;
      }
      case 3:
        value.type = TRegDataType::rdBinary;
        value.bytes = std::move(bytes);
        return true;
      case 4:  // little-endian dword
        if (bytes.size() != 4) return false;
        value.type = TRegDataType::rdInteger;
        value.dword = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                      (static_cast<std::uint32_t>(bytes[3]) << 24);
        return true;
      case 7: {  // multi-string: texts each ended by NUL, an empty text ends the list
        value.type = TRegDataType::rdMultiString;
        for (auto& text : HexTexts(bytes)) {
          if (text.empty()) break;
          value.strings.push_back(std::move(text));
        }
        return true;
      }
      default:  // none, big-endian dword, qword and the rest: raw bytes of unknown type
        value.type = TRegDataType::rdUnknown;
        value.bytes = std::move(bytes);
        return true;
    }
  }

  Hive hive_;
  std::vector<std::string_view> lines_;
  RegKey* key_ = nullptr;
  bool ansiHex_ = false;
};

// File contents as UTF-8 text: UTF-16LE with a byte-order mark is converted, a UTF-8
// byte-order mark dropped, anything else taken as it is.
std::string DecodeFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return WideToUtf8(units);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
  return bytes;
}

struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;

  static FileStamp Of(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtimeSec = st.st_mtim.tv_sec;
    s.mtimeNsec = st.st_mtim.tv_nsec;
    s.ctimeSec = st.st_ctim.tv_sec;
    s.ctimeNsec = st.st_ctim.tv_nsec;
    return s;
  }
  bool operator==(const FileStamp&) const = default;
};

// The parsed registry file, shared by every TRegistry of the process and parsed again when
// the file (or the variable naming it) changes.
class HiveCache {
 public:
  std::shared_ptr<const Hive> Get() {
    const char* env = std::getenv("STEWARD_REGISTRY");
    std::string path = env ? env : "";
    FileStamp stamp;
    struct stat st;
    if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
      stamp = FileStamp::Of(st);

    std::lock_guard<std::mutex> lock(mutex_);
    if (hive_ && path == path_ && stamp == stamp_) return hive_;
    std::string bytes;
    if (stamp.exists) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream buffer;
      buffer << in.rdbuf();
      bytes = buffer.str();
    }
    hive_ = std::make_shared<const Hive>(Parser().Parse(DecodeFile(bytes)));
    path_ = std::move(path);
    stamp_ = stamp;
    return hive_;
  }

 private:
  std::mutex mutex_;
  std::string path_;
  FileStamp stamp_;
  std::shared_ptr<const Hive> hive_;
};

std::shared_ptr<const Hive> CurrentHive() {
  static HiveCache* cache = new HiveCache;  // never destroyed: usable during exit
  return cache->Get();
}

const RegKey* FindKey(const Hive& hive, int root, std::string_view path) {
  if (root < 0) return nullptr;
  auto it = hive.find(Canonical(root, SplitKeyPath(path)));
  return it == hive.end() ? nullptr : &it->second;
}

const RegValue* FindValue(const RegKey* key, std::string_view name) {
  if (!key) return nullptr;
  std::string utf8 = NameToUtf8(name);
  for (const auto& value : key->values)
    if (SameAscii(value.name, utf8)) return &value;
  return nullptr;
}

[[noreturn]] void RaiseInvalidType(std::string_view name) {
  throw ERegistryException("Invalid data type for '" + std::string(name) + "'");
}

}  // namespace

TRegistry::TRegistry() = default;
TRegistry::~TRegistry() = default;

// A key name is relative to the open key unless it starts with "\" or no key is open.
static void ResolveKey(const TRegistry& reg, bool open, HKEY openRoot, std::string_view key,
                       int& root, std::string& path) {
  std::vector<std::string> parts;
  if (open && (key.empty() || key.front() != '\\')) {
    root = RootFromHandle(openRoot);
    parts = SplitKeyPath(NameToUtf8(reg.CurrentPath()));
  } else {
    root = RootFromHandle(reg.RootKey);
  }
  for (auto& part : SplitKeyPath(NameToUtf8(key))) parts.push_back(std::move(part));
  path = JoinKeyPath(parts);
}

bool TRegistry::OpenKeyReadOnly(std::string_view key) {
  int root;
  std::string path;
  ResolveKey(*this, open_, currentRoot_, key, root, path);
  auto hive = CurrentHive();
  if (!FindKey(*hive, root, path)) return false;
  currentRoot_ = HKEY_CLASSES_ROOT + static_cast<HKEY>(root);
  currentPath_ = NameToAnsi(path);
  open_ = true;
  return true;
}

bool TRegistry::OpenKey(std::string_view key, bool /*canCreate*/) {
  return OpenKeyReadOnly(key);
}

bool TRegistry::KeyExists(std::string_view key) {
  int root;
  std::string path;
  ResolveKey(*this, open_, currentRoot_, key, root, path);
  auto hive = CurrentHive();
  return FindKey(*hive, root, path) != nullptr;
}

void TRegistry::CloseKey() {
  open_ = false;
  currentRoot_ = 0;
  currentPath_.clear();
}

namespace {

// The open key, or the root key when none is open.
const RegKey* OpenedKey(const Hive& hive, bool open, HKEY openRoot, HKEY rootKey,
                        const AnsiString& path) {
  if (!open) return FindKey(hive, RootFromHandle(rootKey), "");
  return FindKey(hive, RootFromHandle(openRoot), NameToUtf8(path));
}

}  // namespace

bool TRegistry::ValueExists(std::string_view name) const {
  auto hive = CurrentHive();
  return FindValue(OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_), name) != nullptr;
}

TRegDataType TRegistry::GetDataType(std::string_view name) const {
  auto hive = CurrentHive();
  const RegValue* value =
      FindValue(OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_), name);
  return value ? value->type : TRegDataType::rdUnknown;
}

std::string TRegistry::ReadUtf8String(std::string_view name) const {
  auto hive = CurrentHive();
  const RegValue* value =
      FindValue(OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_), name);
  if (!value) return "";
  if (value->type != TRegDataType::rdString && value->type != TRegDataType::rdExpandString)
    RaiseInvalidType(name);
  return value->text;
}

AnsiString TRegistry::ReadString(std::string_view name) const {
  return Utf8ToAnsi(ReadUtf8String(name));
}

int TRegistry::ReadInteger(std::string_view name) const {
  auto hive = CurrentHive();
  const RegValue* value =
      FindValue(OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_), name);
  if (!value || value->type != TRegDataType::rdInteger) RaiseInvalidType(name);
  return static_cast<int>(value->dword);
}

bool TRegistry::ReadBool(std::string_view name) const {
  return ReadInteger(name) != 0;
}

std::vector<std::uint8_t> TRegistry::ReadBinaryData(std::string_view name) const {
  auto hive = CurrentHive();
  const RegValue* value =
      FindValue(OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_), name);
  if (!value) return {};
  if (value->type != TRegDataType::rdBinary && value->type != TRegDataType::rdUnknown)
    RaiseInvalidType(name);
  return value->bytes;
}

std::vector<AnsiString> TRegistry::GetValueNames() const {
  auto hive = CurrentHive();
  std::vector<AnsiString> names;
  if (const RegKey* key = OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_))
    for (const auto& value : key->values) names.push_back(NameToAnsi(value.name));
  return names;
}

std::vector<AnsiString> TRegistry::GetKeyNames() const {
  auto hive = CurrentHive();
  std::vector<AnsiString> names;
  if (const RegKey* key = OpenedKey(*hive, open_, currentRoot_, RootKey, currentPath_))
    for (const auto& child : key->children) names.push_back(NameToAnsi(child));
  return names;
}

}  // namespace vcl
