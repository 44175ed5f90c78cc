#include "platform/rtl/TStringList.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numeric>
#include <utility>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Strings.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TStrings, TObject)
VCL_IMPLEMENT_CLASS(TStringList, TStrings)


namespace {

const char kSortedListError[] = "Operation not allowed on sorted list";
const char kDuplicateError[] = "String list does not allow duplicates";

// Runs `body` between BeginUpdate and EndUpdate, so a list reports one change for it; the
// update is closed also when `body` raises.
template <typename Body>
void WithUpdate(TStrings& list, Body&& body) {
  list.BeginUpdate();
  try {
    body();
  } catch (...) {
    list.EndUpdate();
    throw;
  }
  list.EndUpdate();
}

bool IsSortedList(const TStrings& list) {
  const auto* sl = dynamic_cast<const TStringList*>(&list);
  return sl && sl->Sorted();
}

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

AnsiString JoinDelimited(const TStrings& list, char delimiter, char quote) {
  AnsiString out;
  const int count = list.Count();
  for (int i = 0; i < count; ++i) {
    const AnsiString s = list.Get(i);
    if (i > 0) out += delimiter;
    bool quoted = s.empty();
    for (char c : s) {
      if (IsBlank(c) || c == quote || c == delimiter) {
        quoted = true;
        break;
      }
    }
    out += quoted ? AnsiQuotedStr(s, quote) : s;
  }
  return out;
}

// Splits at `delimiter` and at blanks outside quotes; a quoted item keeps its blanks and
// has doubled quotes undoubled, and consecutive delimiters give empty items.
void SplitDelimited(TStrings& list, std::string_view text, char delimiter, char quote) {
  WithUpdate(list, [&] {
    list.Clear();
    size_t p = 0;
    const size_t n = text.size();
    auto skipBlanks = [&] {
      while (p < n && IsBlank(text[p]) && text[p] != delimiter) ++p;
    };
    skipBlanks();
    while (p < n) {
      AnsiString item;
      if (text[p] == quote) {
        ++p;
        while (p < n) {
          if (text[p] == quote) {
            if (p + 1 < n && text[p + 1] == quote) {
              item += quote;
              p += 2;
              continue;
            }
            ++p;
            break;
          }
          item += text[p++];
        }
      } else {
        const size_t start = p;
        while (p < n && !IsBlank(text[p]) && text[p] != delimiter) ++p;
        item.assign(text.substr(start, p - start));
      }
      list.Add(item);
      skipBlanks();
      if (p < n && text[p] == delimiter) {
        ++p;
        skipBlanks();
        // A delimiter at the very end still separates an (empty) last item.
        if (p >= n) list.Add(AnsiString());
      }
    }
  });
}

}  // namespace

// ---- TStrings ----

void TStrings::IndexError(int index) {
  throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

int TStrings::CompareStrings(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

void TStrings::Put(int index, const AnsiString& s) {
  TObject* object = GetObject(index);
  WithUpdate(*this, [&] {
    Delete(index);
    InsertObject(index, s, object);
  });
}

int TStrings::Add(const AnsiString& s) {
  const int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* object) {
  int index = -1;
  WithUpdate(*this, [&] {
    const int before = Count();
    index = Add(s);
    // A sorted list that ignores duplicates adds nothing; its line keeps its object.
    if (Count() != before) PutObject(index, object);
  });
  return index;
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* object) {
  WithUpdate(*this, [&] {
    Insert(index, s);
    PutObject(index, object);
  });
}

void TStrings::AddStrings(const TStrings& strings) {
  // Snapshot first: `strings` may be this list.
  std::vector<std::pair<AnsiString, TObject*>> lines;
  const int count = strings.Count();
  lines.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) lines.emplace_back(strings.Get(i), strings.GetObject(i));
  WithUpdate(*this, [&] {
    for (auto& [text, object] : lines) AddObject(text, object);
  });
}

void TStrings::Assign(const TStrings& source) {
  if (&source == this) return;
  WithUpdate(*this, [&] {
    Clear();
    Delimiter = source.Delimiter;
    QuoteChar = source.QuoteChar;
    NameValueSeparator = source.NameValueSeparator;
    AddStrings(source);
  });
}

void TStrings::Exchange(int index1, int index2) {
  const AnsiString s1 = Get(index1);
  const AnsiString s2 = Get(index2);
  if (index1 == index2) return;
  if (IsSortedList(*this)) throw EStringListError(kSortedListError);
  TObject* o1 = GetObject(index1);
  TObject* o2 = GetObject(index2);
  WithUpdate(*this, [&] {
    Put(index1, s2);
    PutObject(index1, o2);
    Put(index2, s1);
    PutObject(index2, o1);
  });
}

void TStrings::Move(int curIndex, int newIndex) {
  const AnsiString s = Get(curIndex);
  if (newIndex < 0 || newIndex >= Count()) IndexError(newIndex);
  if (curIndex == newIndex) return;
  // Checked before deleting, so a refused move loses nothing.
  if (IsSortedList(*this)) throw EStringListError(kSortedListError);
  TObject* object = GetObject(curIndex);
  WithUpdate(*this, [&] {
    Delete(curIndex);
    InsertObject(newIndex, s, object);
  });
}

int TStrings::IndexOf(std::string_view s) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  const int count = Count();
  for (int i = 0; i < count; ++i)
    if (GetObject(i) == object) return i;
  return -1;
}

AnsiString TStrings::Names(int index) const {
  const AnsiString s = Get(index);
  const size_t p = s.find(NameValueSeparator);
  return p == AnsiString::npos ? AnsiString() : s.substr(0, p);
}

AnsiString TStrings::ValueFromIndex(int index) const {
  const AnsiString s = Get(index);
  const size_t p = s.find(NameValueSeparator);
  return p == AnsiString::npos ? AnsiString() : s.substr(p + 1);
}

int TStrings::IndexOfName(std::string_view name) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    const AnsiString s = Get(i);
    const size_t p = s.find(NameValueSeparator);
    if (p != AnsiString::npos && CompareStrings(std::string_view(s).substr(0, p), name) == 0)
      return i;
  }
  return -1;
}

AnsiString TStrings::Values(std::string_view name) const {
  const int index = IndexOfName(name);
  return index < 0 ? AnsiString() : ValueFromIndex(index);
}

void TStrings::SetValue(std::string_view name, std::string_view value) {
  const int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  AnsiString line(name);
  line += NameValueSeparator;
  line += value;
  if (index < 0) {
    Add(line);
  } else if (IsSortedList(*this)) {
    // A sorted list cannot be written in place: the new line goes where it sorts.
    TObject* object = GetObject(index);
    WithUpdate(*this, [&] {
      Delete(index);
      AddObject(line, object);
    });
  } else {
    Put(index, line);
  }
}

AnsiString TStrings::Text() const {
  AnsiString out;
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    out += Get(i);
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(std::string_view text) {
  WithUpdate(*this, [&] {
    Clear();
    size_t p = 0;
    const size_t n = text.size();
    while (p < n) {
      const size_t start = p;
      while (p < n && text[p] != '\r' && text[p] != '\n') ++p;
      Add(AnsiString(text.substr(start, p - start)));
      if (p < n) p += (text[p] == '\r' && p + 1 < n && text[p + 1] == '\n') ? 2 : 1;
    }
  });
}

AnsiString TStrings::CommaText() const {
  return JoinDelimited(*this, ',', '"');
}
void TStrings::SetCommaText(std::string_view text) {
  SplitDelimited(*this, text, ',', '"');
}
AnsiString TStrings::DelimitedText() const {
  return JoinDelimited(*this, Delimiter, QuoteChar);
}
void TStrings::SetDelimitedText(std::string_view text) {
  SplitDelimited(*this, text, Delimiter, QuoteChar);
}

void TStrings::LoadFromFile(const AnsiString& fileName) {
  std::ifstream in(SysPath(fileName), std::ios::binary);
  if (!in) {
    const int error = errno;
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(error));
  }
  std::string bytes;
  bool readFailed = false;
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    readFailed = in.bad();
  } catch (const std::ios_base::failure&) {
    readFailed = true;
  }
  if (readFailed) {
    // For example a folder: it opens but cannot be read.
    const int error = errno;
    throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(error));
  }
  SetText(bytes);
}

void TStrings::SaveToFile(const AnsiString& fileName) const {
  std::ofstream out(SysPath(fileName), std::ios::binary | std::ios::trunc);
  if (!out) {
    const int error = errno;
    throw EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(error));
  }
  const AnsiString text = Text();
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.flush();
  if (!out) throw EStreamError("Stream write error");
}

// ---- TStringList ----

int TStringList::Count() const {
  return static_cast<int>(items_.size());
}

AnsiString TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].text;
}

void TStringList::Put(int index, const AnsiString& s) {
  if (sorted_) throw EStringListError(kSortedListError);
  if (index < 0 || index >= Count()) IndexError(index);
  items_[static_cast<size_t>(index)].text = s;
  Changed();
}

TObject* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)].object;
}

void TStringList::PutObject(int index, TObject* object) {
  if (index < 0 || index >= Count()) IndexError(index);
  items_[static_cast<size_t>(index)].object = object;
  Changed();
}

void TStringList::Insert(int index, const AnsiString& s) {
  if (sorted_) throw EStringListError(kSortedListError);
  if (index < 0 || index > Count()) IndexError(index);
  items_.insert(items_.begin() + index, Item{s, nullptr});
  Changed();
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

int TStringList::Add(const AnsiString& s) {
  int index = Count();
  if (sorted_) {
    if (Find(s, index)) {
      if (Duplicates == TDuplicates::dupIgnore) return index;
      if (Duplicates == TDuplicates::dupError) throw EStringListError(kDuplicateError);
      // Equal lines keep the order they were added in.
      while (index < Count() && CompareStrings(items_[static_cast<size_t>(index)].text, s) == 0)
        ++index;
    }
  }
  items_.insert(items_.begin() + index, Item{s, nullptr});
  Changed();
  return index;
}

int TStringList::IndexOf(std::string_view s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

bool TStringList::Find(std::string_view s, int& index) const {
  // Lower bound: the first line not before `s`.
  int lo = 0, hi = Count();
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (CompareStrings(items_[static_cast<size_t>(mid)].text, s) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  index = lo;
  return lo < Count() && CompareStrings(items_[static_cast<size_t>(lo)].text, s) == 0;
}

void TStringList::SortItems(const std::function<int(int, int)>& compare) {
  // Bottom-up merge sort of indices: stable, and it stays in bounds even when `compare`
  // is inconsistent.
  const size_t n = items_.size();
  std::vector<int> order(n), buffer(n);
  std::iota(order.begin(), order.end(), 0);
  for (size_t width = 1; width < n; width *= 2) {
    for (size_t lo = 0; lo < n; lo += 2 * width) {
      const size_t mid = std::min(lo + width, n);
      const size_t hi = std::min(lo + 2 * width, n);
      size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi)
        buffer[k++] = compare(order[j], order[i]) < 0 ? order[j++] : order[i++];
      while (i < mid) buffer[k++] = order[i++];
      while (j < hi) buffer[k++] = order[j++];
    }
    order.swap(buffer);
  }
  std::vector<Item> sorted;
  sorted.reserve(n);
  for (int i : order) sorted.push_back(std::move(items_[static_cast<size_t>(i)]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::Sort() {
  // A sorted list is always in order already.
  if (sorted_ || items_.size() < 2) return;
  SortItems([this](int a, int b) {
    return CompareStrings(items_[static_cast<size_t>(a)].text, items_[static_cast<size_t>(b)].text);
  });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& compare) {
  // A sorted list keeps the order its lookups rely on.
  if (sorted_ || items_.size() < 2 || !compare) return;
  SortItems([this, &compare](int a, int b) { return compare(*this, a, b); });
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == CaseSensitive()) return;
  TStrings::SetCaseSensitive(value);
  if (sorted_ && items_.size() > 1) {
    SortItems([this](int a, int b) {
      return CompareStrings(items_[static_cast<size_t>(a)].text,
                            items_[static_cast<size_t>(b)].text);
    });
  }
}

void TStringList::BeginUpdate() {
  ++updateCount_;
}

void TStringList::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    Changed();
  }
}

void TStringList::Changed() {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  // A copy, so a handler that replaces OnChange does not destroy itself while running.
  if (OnChange) {
    const auto handler = OnChange;
    handler();
  }
}

}  // namespace vcl
