#include "automation/dispatch.h"

#include <cctype>

#include "automation/ole_variant.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

std::string AsciiUpper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

void IDispatch::Release() const noexcept {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

HRESULT IDispatch::GetTypeInfoCount(unsigned& count) {
  count = 0;
  return S_OK;
}

std::string OleErrorMessage(HRESULT code) {
  switch (code) {
    case DISP_E_UNKNOWNNAME: return msg::SOleUnknownName;
    case DISP_E_MEMBERNOTFOUND: return msg::SOleMemberNotFound;
    case DISP_E_TYPEMISMATCH: return msg::SOleTypeMismatch;
    case DISP_E_BADPARAMCOUNT: return msg::SOleBadParamCount;
    case CO_E_CLASSSTRING: return msg::SOleInvalidClassString;
    case MK_E_UNAVAILABLE: return msg::SOleUnavailable;
    case RPC_E_DISCONNECTED: return msg::SOleDisconnected;
    case E_FAIL: return msg::SOleUnspecified;
    default: return Format(msg::SOleErrorCode, static_cast<unsigned>(code));
  }
}

void OleCheck(HRESULT code) {
  if (!Succeeded(code)) throw EOleError(OleErrorMessage(code));
}

void DispatchInvoke(IDispatch& object, std::string_view member, unsigned kind,
                    std::span<OleVariant> args, OleVariant* result) {
  DISPID id = 0;
  OleCheck(object.GetIDsOfNames(member, id));
  object.Invoke(id, kind, args, result);
}

HRESULT TAutoObject::GetTypeInfoCount(unsigned& count) {
  count = 0;
  return connected_ ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT TAutoObject::GetIDsOfNames(std::string_view name, DISPID& id) {
  if (!connected_) return RPC_E_DISCONNECTED;
  const std::string key = AsciiUpper(name);
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (members_[i].first == key) {
      id = static_cast<DISPID>(i);
      return S_OK;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

void TAutoObject::Invoke(DISPID id, unsigned kind, std::span<OleVariant> args, OleVariant* result) {
  if (!connected_) OleCheck(RPC_E_DISCONNECTED);
  if (id < 0 || static_cast<std::size_t>(id) >= members_.size()) OleCheck(DISP_E_MEMBERNOTFOUND);
  // Keep this object alive while its member runs, even if the member drops the last outside
  // reference (a Quit that unregisters the server).
  const DispatchPtr self(this);
  members_[static_cast<std::size_t>(id)].second(kind, args, result);
}

void TAutoObject::AddMember(std::string_view name, Member member) {
  std::string key = AsciiUpper(name);
  for (auto& entry : members_) {
    if (entry.first == key) {
      entry.second = std::move(member);
      return;
    }
  }
  members_.emplace_back(std::move(key), std::move(member));
}

void TAutoObject::RequireArgs(std::span<OleVariant> args, std::size_t count) {
  if (args.size() < count) OleCheck(DISP_E_BADPARAMCOUNT);
}

}  // namespace bexlo
