#include "automation/server_object.h"

#include <array>
#include <atomic>
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
// An entry is a tag of (table, text pointer) and the member's index; a hit is always checked
// against the table, so a reused buffer holding another name, or two threads filling the same
// slot, can only cost a scan.
std::array<std::atomic<std::uint64_t>, 256> recent;

std::uint64_t Tag(const void* table, const char* data) noexcept {
  std::uint64_t key = reinterpret_cast<std::uintptr_t>(table) * 0x9E3779B97F4A7C15ull ^ reinterpret_cast<std::uintptr_t>(data);
  key ^= key >> 29;
  return key * 0xBF58476D1CE4E5B9ull;
}

}  // namespace

HRESULT TServerObject::GetIDsOfNames(std::string_view name, DISPID& id) {
  if (!Alive()) return RPC_E_DISCONNECTED;
  const auto names = MemberNames();
  const std::uint64_t tag = Tag(names.data(), name.data());
  std::atomic<std::uint64_t>& slot = recent[tag >> 56];
  const std::uint64_t entry = slot.load(std::memory_order_relaxed);
  if ((entry >> 16) == (tag & 0xFFFFFFFFFFFFull)) {
    const std::size_t index = entry & 0xFFFF;
    if (index < names.size() && SameMemberName(names[index], name)) {
      id = static_cast<DISPID>(index);
      return S_OK;
    }
  }
  const unsigned char first = name.empty() ? 0 : static_cast<unsigned char>(name[0]) & 0xDF;  // ASCII upper
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i].size() == name.size() && (static_cast<unsigned char>(names[i][0]) & 0xDF) == first &&
        SameMemberName(names[i], name)) {
      id = static_cast<DISPID>(i);
      slot.store((tag & 0xFFFFFFFFFFFFull) << 16 | i, std::memory_order_relaxed);
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
