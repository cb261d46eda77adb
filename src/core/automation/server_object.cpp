#include "automation/server_object.h"

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

bool SameMemberName(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

HRESULT TServerObject::GetTypeInfoCount(unsigned& count) {
  count = 0;
  return Alive() ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT TServerObject::GetIDsOfNames(std::string_view name, DISPID& id) {
  if (!Alive()) return RPC_E_DISCONNECTED;
  const auto names = MemberNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (SameMemberName(names[i], name)) {
      id = static_cast<DISPID>(i);
      return S_OK;
    }
  }
  throw EOleError(Format(msg::SOleNoMember, ServerName(), ObjectName(), name));
}

void TServerObject::Invoke(DISPID id, unsigned kind, std::span<OleVariant> args, OleVariant* result) {
  if (!Alive()) OleCheck(RPC_E_DISCONNECTED);
  if (id < 0 || static_cast<std::size_t>(id) >= MemberNames().size()) OleCheck(DISP_E_MEMBERNOTFOUND);
  const DispatchPtr self(this);
  Call(static_cast<int>(id), kind, args, result);
}

OleVariant TServerObject::PutValue(std::span<OleVariant> args) {
  if (args.empty()) OleCheck(DISP_E_BADPARAMCOUNT);
  return args.back().Deref();
}

OleVariant TServerObject::ArgOr(std::span<OleVariant> args, std::size_t i) {
  return i < args.size() ? args[i].Deref() : OleVariant();
}

void TServerObject::Require(std::span<OleVariant> args, std::size_t count) {
  if (args.size() < count) OleCheck(DISP_E_BADPARAMCOUNT);
}

void TServerObject::Fail(std::string_view message) const {
  throw EOleError(Format("%s: %s: %s", ServerName(), ObjectName(), message));
}

void TServerObject::ReadOnly(int member) const {
  throw EOleError(Format(msg::SOleServerFailure, ServerName(), ObjectName(),
                         MemberNames()[static_cast<std::size_t>(member)], msg::SOleReadOnly));
}

}  // namespace bexlo
