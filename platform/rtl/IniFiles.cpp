#include "platform/rtl/IniFiles.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TStringList.h"

namespace vcl {

// Parsed contents. Names are looked up by their ANSI upper-case form, which matches exactly
// when AnsiSameText does. A section name that appears more than once is read as one section:
// keys of the later copies are added after those of the first, and for a key present in both
// the first value wins, so nothing in the file is lost and the first occurrence still rules.
struct TIniFile::Data {
  struct Section {
    AnsiString name;
    std::vector<std::pair<AnsiString, AnsiString>> entries;  // key, value in file order
    std::unordered_map<std::string, size_t> index;           // upper-case key -> entry
  };

  bool loaded = false;
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  long mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;

  std::vector<Section> sections;
  std::unordered_map<std::string, size_t> index;  // upper-case section name -> section

  const Section* Find(std::string_view name) const {
    auto it = index.find(AnsiUpperCase(name));
    return it == index.end() ? nullptr : &sections[it->second];
  }
};

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A whole number: optional sign, then decimal digits or "0x" and hexadecimal digits.
// Hexadecimal numbers take all 32 bits ("0xFFFFFFFF" is -1).
bool ParseInteger(std::string_view s, int& result) {
  s = TrimBlanks(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  std::uint64_t value = 0;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
    for (char c : s) {
      int d;
      if (c >= '0' && c <= '9')
        d = c - '0';
      else if (c >= 'a' && c <= 'f')
        d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        d = c - 'A' + 10;
      else
        return false;
      value = value * 16 + static_cast<unsigned>(d);
      if (value > 0xFFFFFFFFu) return false;
    }
    auto bits = static_cast<std::uint32_t>(negative ? 0u - value : value);
    result = static_cast<int>(bits);
    return true;
  }
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
    if (value > 0x80000000u) return false;
  }
  if (!negative && value > 0x7FFFFFFFu) return false;
  result = negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
  return true;
}

}  // namespace

TIniFile::TIniFile(const AnsiString& fileName)
    : fileName_(fileName), data_(std::make_unique<Data>()) {
  Refresh();
}

TIniFile::~TIniFile() = default;

void TIniFile::Refresh() const {
  std::string path = SysPath(fileName_);
  struct stat st;
  bool exists = !fileName_.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  Data& d = *data_;
  if (d.loaded && exists == d.exists &&
      (!exists || (d.dev == st.st_dev && d.ino == st.st_ino && d.size == st.st_size &&
                   d.mtimeSec == st.st_mtim.tv_sec && d.mtimeNsec == st.st_mtim.tv_nsec &&
                   d.ctimeSec == st.st_ctim.tv_sec && d.ctimeNsec == st.st_ctim.tv_nsec)))
    return;

  auto fresh = std::make_unique<Data>();
  fresh->loaded = true;
  fresh->exists = exists;
  if (exists) {
    fresh->dev = st.st_dev;
    fresh->ino = st.st_ino;
    fresh->size = st.st_size;
    fresh->mtimeSec = st.st_mtim.tv_sec;
    fresh->mtimeNsec = st.st_mtim.tv_nsec;
    fresh->ctimeSec = st.st_ctim.tv_sec;
    fresh->ctimeNsec = st.st_ctim.tv_nsec;

    std::ifstream in(path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();

    Data::Section* section = nullptr;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string_view line = TrimBlanks(std::string_view(text).substr(start, end - start));
      start = end + 1;
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        size_t close = line.find(']');
        if (close == std::string_view::npos) {
          // Not a section header: what follows belongs to no section until the next one.
          section = nullptr;
          continue;
        }
        std::string name(TrimBlanks(line.substr(1, close - 1)));
        std::string upper = AnsiUpperCase(name);
        auto [it, inserted] = fresh->index.try_emplace(upper, fresh->sections.size());
        if (inserted) fresh->sections.push_back(Data::Section{name, {}, {}});
        section = &fresh->sections[it->second];
        continue;
      }
      if (!section) continue;
      size_t eq = line.find('=');
      if (eq == std::string_view::npos) continue;
      std::string key(TrimBlanks(line.substr(0, eq)));
      if (key.empty()) continue;
      std::string value(Unquote(TrimBlanks(line.substr(eq + 1))));
      auto [it, inserted] = section->index.try_emplace(AnsiUpperCase(key), section->entries.size());
      if (inserted) section->entries.emplace_back(std::move(key), std::move(value));
    }
  }
  data_ = std::move(fresh);
}

AnsiString TIniFile::ReadString(std::string_view section, std::string_view ident,
                                std::string_view defaultValue) const {
  Refresh();
  if (const Data::Section* s = data_->Find(section)) {
    auto it = s->index.find(AnsiUpperCase(ident));
    if (it != s->index.end()) return s->entries[it->second].second;
  }
  return std::string(defaultValue);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view ident,
                          int defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  int value;
  return ParseInteger(ReadString(section, ident, ""), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  int value;
  return ParseInteger(ReadString(section, ident, ""), value) ? value != 0 : defaultValue;
}

void TIniFile::ReadSection(std::string_view section, TStrings& strings) const {
  Refresh();
  strings.BeginUpdate();
  strings.Clear();
  if (const Data::Section* s = data_->Find(section))
    for (const auto& entry : s->entries) strings.Add(entry.first);
  strings.EndUpdate();
}

void TIniFile::ReadSections(TStrings& strings) const {
  Refresh();
  strings.BeginUpdate();
  strings.Clear();
  for (const auto& s : data_->sections) strings.Add(s.name);
  strings.EndUpdate();
}

void TIniFile::ReadSectionValues(std::string_view section, TStrings& strings) const {
  Refresh();
  strings.BeginUpdate();
  strings.Clear();
  if (const Data::Section* s = data_->Find(section))
    for (const auto& entry : s->entries) strings.Add(entry.first + "=" + entry.second);
  strings.EndUpdate();
}

bool TIniFile::SectionExists(std::string_view section) const {
  Refresh();
  // As on the platform, a section counts only when it holds at least one key.
  const Data::Section* s = data_->Find(section);
  return s && !s->entries.empty();
}

bool TIniFile::ValueExists(std::string_view section, std::string_view ident) const {
  Refresh();
  const Data::Section* s = data_->Find(section);
  return s && s->index.count(AnsiUpperCase(ident)) > 0;
}

}  // namespace vcl
