// Exceptions with a message and a class name, in the platform's hierarchy.
#pragma once

#include <exception>
#include <string_view>

#include "platform/rtl/Types.h"

namespace vcl {

class Exception : public std::exception {
 public:
  explicit Exception(AnsiString message) : message_(std::move(message)) {}
  ~Exception() override = default;

  const AnsiString& Message() const { return message_; }
  void SetMessage(AnsiString message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

  virtual const char* ClassName() const { return "Exception"; }
  // True when this exception's class is `className` or derives from it (case-insensitive).
  virtual bool InheritsFrom(std::string_view className) const;

 protected:
  static bool SameClassName(std::string_view a, std::string_view b);

 private:
  AnsiString message_;
};

#define VCL_EXCEPTION_CLASS_BODY(Name, Base)                                 \
 public:                                                                     \
  const char* ClassName() const override {                                   \
    return #Name;                                                            \
  }                                                                          \
  bool InheritsFrom(std::string_view className) const override {             \
    return SameClassName(className, #Name) || Base::InheritsFrom(className); \
  }

#define VCL_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {              \
   public:                                \
    using Base::Base;                     \
    VCL_EXCEPTION_CLASS_BODY(Name, Base)  \
  };

// Raised silently to abandon an operation; never shown to the user.
VCL_DECLARE_EXCEPTION(EAbort, Exception)
VCL_DECLARE_EXCEPTION(EConvertError, Exception)
VCL_DECLARE_EXCEPTION(EVariantError, Exception)
VCL_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
VCL_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError)
VCL_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantError)
VCL_DECLARE_EXCEPTION(EVariantArrayCreateError, EVariantError)
VCL_DECLARE_EXCEPTION(EOleError, Exception)
VCL_DECLARE_EXCEPTION(ERegistryException, Exception)
VCL_DECLARE_EXCEPTION(EStringListError, Exception)
VCL_DECLARE_EXCEPTION(EListError, Exception)
VCL_DECLARE_EXCEPTION(EClassNotFound, Exception)
VCL_DECLARE_EXCEPTION(EStreamError, Exception)
VCL_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VCL_DECLARE_EXCEPTION(EFCreateError, EStreamError)

// An automation failure with its HRESULT.
class EOleSysError : public EOleError {
 public:
  EOleSysError(AnsiString message, HRESULT errorCode)
      : EOleError(std::move(message)), errorCode_(errorCode) {}
  HRESULT ErrorCode() const { return errorCode_; }
  VCL_EXCEPTION_CLASS_BODY(EOleSysError, EOleError)
 private:
  HRESULT errorCode_;
};

// An exception raised inside an automation object, as its caller sees it.
class EOleException : public EOleSysError {
 public:
  EOleException(AnsiString message, HRESULT errorCode, AnsiString source)
      : EOleSysError(std::move(message), errorCode), source_(std::move(source)) {}
  const AnsiString& Source() const { return source_; }
  VCL_EXCEPTION_CLASS_BODY(EOleException, EOleSysError)
 private:
  AnsiString source_;
};

// A file input/output failure with its error code.
class EInOutError : public Exception {
 public:
  EInOutError(AnsiString message, int errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  int ErrorCode() const { return errorCode_; }
  VCL_EXCEPTION_CLASS_BODY(EInOutError, Exception)
 private:
  int errorCode_;
};

// An operating-system call failure with its error code.
class EOSError : public Exception {
 public:
  EOSError(AnsiString message, DWORD errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  DWORD ErrorCode() const { return errorCode_; }
  VCL_EXCEPTION_CLASS_BODY(EOSError, Exception)
 private:
  DWORD errorCode_;
};

}  // namespace vcl
