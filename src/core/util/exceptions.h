// The library's exception family. Every failure is an exception derived from Exception, which
// carries the message text shown to the user; the subclasses let callers tell kinds apart.
#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace bexlo {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}

  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }

  // The class name as the classic runtime reports it ("Exception", "EConvertError", ...).
  virtual std::string_view ClassName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define BEXLO_DECLARE_EXCEPTION(Name, Base)                                   \
  class Name : public Base {                                                  \
   public:                                                                    \
    using Base::Base;                                                         \
    std::string_view ClassName() const noexcept override { return #Name; }   \
  }

// A silent abort: ends an operation without a message being shown to the user.
class EAbort : public Exception {
 public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
  std::string_view ClassName() const noexcept override { return "EAbort"; }
};

BEXLO_DECLARE_EXCEPTION(EConvertError, Exception);      // malformed text, bad Format arguments
BEXLO_DECLARE_EXCEPTION(EListError, Exception);         // list index out of bounds, duplicates
BEXLO_DECLARE_EXCEPTION(EInOutError, Exception);        // file reads and writes
BEXLO_DECLARE_EXCEPTION(EDatabaseError, Exception);     // data-access layer and engines
BEXLO_DECLARE_EXCEPTION(EOleError, Exception);          // automation layer
BEXLO_DECLARE_EXCEPTION(UnDefinedSymbol, Exception);    // script scanner: illegal symbol
BEXLO_DECLARE_EXCEPTION(ECustomReportError, Exception); // a report run was aborted

}  // namespace bexlo
