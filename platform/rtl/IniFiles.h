// INI files with Windows semantics.
#pragma once

#include <memory>
#include <string_view>

#include "platform/rtl/TObject.h"
#include "platform/rtl/Types.h"

namespace vcl {

class TStrings;

// Reads an INI file. Sections and keys ignore case; blanks around names and values are
// trimmed and a value in matching single or double quotes loses them; the first of duplicate
// sections and keys wins; lines starting with ";" are comments; a missing file reads as
// empty; lines that are not "[section]" or "key=value" are skipped. The file is read when the
// object is created and again when it has changed.
class TIniFile : public TObject {
 public:
  explicit TIniFile(const AnsiString& fileName);
  ~TIniFile() override;

  const AnsiString& FileName() const { return fileName_; }

  AnsiString ReadString(std::string_view section, std::string_view ident,
                        std::string_view defaultValue) const;
  // A value that is not a whole number (decimal or "0x" hexadecimal) gives the default.
  int ReadInteger(std::string_view section, std::string_view ident, int defaultValue) const;
  // "0" is false, any other number true; anything else gives the default.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;
  // Keys of the section, in file order, each once.
  void ReadSection(std::string_view section, TStrings& strings) const;
  // Section names in file order, each once.
  void ReadSections(TStrings& strings) const;
  // "key=value" lines of the section, in file order, each key once.
  void ReadSectionValues(std::string_view section, TStrings& strings) const;
  // True when the section holds at least one key (an empty section is listed by ReadSections
  // but does not count here, as on the platform).
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;

 private:
  struct Data;
  void Refresh() const;
  AnsiString fileName_;
  mutable std::unique_ptr<Data> data_;
};

}  // namespace vcl
