// Delimited texts and date texts from arbitrary bytes: splitting must agree with counting,
// replacing must end, and date readers must stay inside the calendar.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "lib/LibStrs.h"
#include "platform/rtl/DateTime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: date type and flags; then separator length; the rest is separator and text.
  const int dateType = data[0] % 8 - 1;
  const size_t sepLen = data[1] % 4;
  std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  if (rest.size() < sepLen) return 0;
  const std::string_view separator = rest.substr(0, sepLen);
  const std::string_view text = rest.substr(sepLen);

  // Fields joined with the separator give the text back.
  const int count = kv::CountFields(text, separator);
  std::string joined;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) joined += separator;
    joined += kv::GetField(text, separator, i);
  }
  if (joined != text) std::abort();
  if (count > 0 && !kv::GetField(text, separator, count + 1).empty()) std::abort();

  kv::AnsiString head = std::string(text);
  kv::AnsiString tail = kv::SplitFirst(head, separator);
  (void)tail;

  // Deleting the separator leaves none of it behind.
  const kv::AnsiString deleted = kv::ReplaceAll(text, separator, "", false);
  if (!separator.empty() && deleted.find(separator) != std::string::npos) std::abort();
  (void)kv::ReplaceAll(text, separator, "xyz", (data[0] & 0x80) != 0);

  const vcl::TDateTime last = vcl::EncodeDate(9999, 12, 31);
  const vcl::TDateTime first = vcl::EncodeDate(1, 1, 1);
  const vcl::TDateTime date = kv::ParseDateByType(text, dateType, separator);
  if (date != 0 && (date < first || date > last)) std::abort();
  if (date != 0) {
    // A date that was read formats without failing, and reads back to itself when its year
    // fits the layout (the years of the Republic of China start in 1912).
    const kv::AnsiString formatted = kv::FormatDateByType(dateType, separator, date);
    int y, m, d;
    vcl::DecodeDate(date, y, m, d);
    if (!separator.empty() && separator[0] != '-' && separator[0] != '+' &&
        static_cast<unsigned char>(separator[0]) > ' ' &&
        (separator[0] < '0' || separator[0] > '9') && (dateType <= kv::dt_DDMMYYYY || y >= 1912) &&
        kv::ParseDateByType(formatted, dateType, separator) != date)
      std::abort();
    (void)kv::FormatYearMonthByType(dateType, separator, date);
  }
  const vcl::TDateTime plain = kv::YYYYMMDDToDate(text);
  if (plain != 0 && (plain < first || plain > last)) std::abort();
  (void)kv::IsValidDateText(text);
  return 0;
}
