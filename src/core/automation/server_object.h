// TServerObject: the base of the built-in office servers' objects. Unlike TAutoObject, whose
// member table lives in each object, a server object shares one fixed table of member names per
// class, so that the objects a document hands out by the hundred thousand (cells, ranges, fonts)
// cost one small allocation each. A subclass lists its member names in a static array and
// answers Call(index, ...) with a switch.
//
// A name that is not in the table raises EOleError naming the server, the object and the member
// (rather than answering DISP_E_UNKNOWNNAME), so that a script or the office link learns what was
// asked for.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "automation/dispatch.h"
#include "automation/ole_variant.h"

namespace bexlo {

class TServerObject : public IDispatch {
 public:
  HRESULT GetTypeInfoCount(unsigned& count) override;
  HRESULT GetIDsOfNames(std::string_view name, DISPID& id) override;
  void Invoke(DISPID id, unsigned kind, std::span<OleVariant> args, OleVariant* result) override;

 protected:
  // Members by index; names compared ignoring ASCII case.
  virtual std::span<const std::string_view> MemberNames() const noexcept = 0;
  // The object's name in messages ("Range") and the server's program id.
  virtual std::string_view ObjectName() const noexcept = 0;
  virtual std::string_view ServerName() const noexcept = 0;
  // Whether the server still runs (false after Quit): calls then fail as disconnected.
  virtual bool Alive() const noexcept { return true; }
  virtual void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) = 0;

  // Helpers for Call.
  static bool IsPut(unsigned kind) noexcept { return (kind & DISPATCH_PROPERTYPUT) != 0; }
  // The value of a property put (its last argument), dereferenced.
  static OleVariant PutValue(std::span<OleVariant> args);
  // Argument i dereferenced, or an empty variant when absent.
  static OleVariant ArgOr(std::span<OleVariant> args, std::size_t i);
  static void Require(std::span<OleVariant> args, std::size_t count);
  // Raises EOleError "<server>: <object>.<member> is read-only" / "... <message>".
  [[noreturn]] void Fail(std::string_view message) const;
  [[noreturn]] void ReadOnly(int member) const;
  static void Return(OleVariant* result, OleVariant value) {
    if (result) *result = std::move(value);
  }
};

// Case-insensitive ASCII equality of a member name.
bool SameMemberName(std::string_view a, std::string_view b) noexcept;

}  // namespace bexlo
