#include "platform/rtl/Exception.h"

#include <cctype>

namespace vcl {

bool Exception::SameClassName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

bool Exception::InheritsFrom(std::string_view className) const {
  return SameClassName(className, "Exception");
}

}  // namespace vcl
