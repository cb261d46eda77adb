#include "automation/server_object.h"

#include <array>
#include <cstdint>

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

namespace {

// Recent lookups: callers pass the same member names again and again (the office link passes
// string literals), so a name's table and text pointer usually find the answer without a scan.
// A hit is always checked against the table, so a reused buffer holding another name is harmless.
struct TLookup {
  const void* table = nullptr;
  const char* data = nullptr;
  std::size_t size = 0;
  DISPID id = 0;
};
thread_local std::array<TLookup, 256> recent;

std::size_t Slot(const void* table, const char* data) noexcept {
  const auto key = reinterpret_cast<std::uintptr_t>(table) * 31u ^ reinterpret_cast<std::uintptr_t>(data);
  return (key ^ (key >> 9)) & 255u;
}

}  // namespace

HRESULT TServerObject::GetIDsOfNames(std::string_view name, DISPID& id) {
  if (!Alive()) return RPC_E_DISCONNECTED;
  const auto names = MemberNames();
  TLookup& cached = recent[Slot(names.data(), name.data())];
  if (cached.table == names.data() && cached.data == name.data() && cached.size == name.size() &&
      SameMemberName(names[static_cast<std::size_t>(cached.id)], name)) {
    id = cached.id;
    return S_OK;
  }
  const unsigned char first = name.empty() ? 0 : static_cast<unsigned char>(name[0]) & 0xDF;  // ASCII upper
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() == name.size() && (static_cast<unsigned char>(names[i][0]) & 0xDF) == first &&
        SameMemberName(names[i], name)) {
      id = static_cast<DISPID>(i);
      cached = {names.data(), name.data(), name.size(), id};
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
