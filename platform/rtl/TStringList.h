// String lists: TStrings (the abstract list that controls expose) and TStringList.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/rtl/TObject.h"
#include "platform/rtl/Types.h"

namespace vcl {

// A list of strings with an object attached to each. Name=value lines, Text with CR LF and
// CommaText follow the platform's rules. Lookups by text ignore case unless CaseSensitive.
class TStrings : public TObject {
  VCL_DECLARE_CLASS(TStrings)

 public:
  ~TStrings() override = default;

  // Storage, supplied by each concrete list.
  virtual int Count() const = 0;
  virtual AnsiString Get(int index) const = 0;
  virtual void Put(int index, const AnsiString& s);
  virtual TObject* GetObject(int index) const = 0;
  virtual void PutObject(int index, TObject* object) = 0;
  virtual void Insert(int index, const AnsiString& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  virtual int Add(const AnsiString& s);
  int AddObject(const AnsiString& s, TObject* object);
  void InsertObject(int index, const AnsiString& s, TObject* object);
  void AddStrings(const TStrings& strings);
  // Replaces the contents (texts and objects) with those of `source`.
  virtual void Assign(const TStrings& source);
  void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  virtual int IndexOf(std::string_view s) const;
  int IndexOfObject(const TObject* object) const;
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}

  // Strings[i]; an index out of range raises EStringListError "List index out of bounds (<i>)".
  AnsiString operator[](int index) const { return Get(index); }

  // Name=value lines. Names[i] is the part before NameValueSeparator ("" when there is none);
  // Values[name] the part after it on the first line with that name; setting a value of ""
  // removes the line, setting one for a new name adds a line.
  AnsiString Names(int index) const;
  AnsiString ValueFromIndex(int index) const;
  AnsiString Values(std::string_view name) const;
  void SetValue(std::string_view name, std::string_view value);
  int IndexOfName(std::string_view name) const;

  // Lines joined with CR LF, each line ended by it. Setting splits at CR LF, CR or LF.
  AnsiString Text() const;
  void SetText(std::string_view text);
  // Comma-separated with double quotes around items holding blanks, commas or quotes.
  // Setting splits at commas and blanks outside quotes.
  AnsiString CommaText() const;
  void SetCommaText(std::string_view text);
  // Like CommaText with Delimiter and QuoteChar.
  AnsiString DelimitedText() const;
  void SetDelimitedText(std::string_view text);

  // Reads or writes the file as Text. A file that cannot be opened raises EFOpenError
  // "Cannot open file "<name>". <reason>" (EFCreateError "Cannot create file ..." on save).
  void LoadFromFile(const AnsiString& fileName);
  void SaveToFile(const AnsiString& fileName) const;

  char Delimiter = ',';
  char QuoteChar = '"';
  char NameValueSeparator = '=';

  bool CaseSensitive() const { return caseSensitive_; }
  virtual void SetCaseSensitive(bool value) { caseSensitive_ = value; }

 protected:
  // Compares two texts with the list's case rule.
  int CompareStrings(std::string_view a, std::string_view b) const;
  // Raises EStringListError "List index out of bounds (<index>)".
  [[noreturn]] static void IndexError(int index);

 private:
  bool caseSensitive_ = false;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
  VCL_DECLARE_CLASS(TStringList)

 public:
  TStringList() = default;
  ~TStringList() override = default;

  int Count() const override;
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString& s) override;  // raises on a sorted list
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* object) override;
  // Inserting into a sorted list raises EStringListError "Operation not allowed on sorted list".
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;
  // On a sorted list adds in order, applying Duplicates: dupIgnore returns the existing
  // index, dupError raises EStringListError "String list does not allow duplicates".
  int Add(const AnsiString& s) override;
  int IndexOf(std::string_view s) const override;

  // Binary search of a sorted list: true and the index when found, otherwise false and the
  // index where `s` would go.
  bool Find(std::string_view s, int& index) const;
  // Sort and CustomSort leave a Sorted list alone: it is kept in order already.
  virtual void Sort();
  // Sorts with `compare` (negative, zero, positive), stable.
  void CustomSort(const std::function<int(const TStringList&, int, int)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);  // sorting the list when turned on
  TDuplicates Duplicates = TDuplicates::dupIgnore;
  void SetCaseSensitive(bool value) override;  // re-sorts a sorted list

  // Between BeginUpdate and the matching EndUpdate, OnChange is held back and called once
  // at the end when anything changed.
  void BeginUpdate() override;
  void EndUpdate() override;

  // Called after every change of the contents.
  std::function<void()> OnChange;

 private:
  struct Item {
    AnsiString text;
    TObject* object = nullptr;
  };
  void Changed();
  // Reorders the items stably by `compare` (negative, zero, positive) of their current
  // indices; the list is left alone when `compare` raises.
  void SortItems(const std::function<int(int, int)>& compare);
  std::vector<Item> items_;
  bool sorted_ = false;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

}  // namespace vcl
