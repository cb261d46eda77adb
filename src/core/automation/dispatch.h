// The automation object model: IDispatch, a late-bound interface whose members are found by name
// and invoked with a call kind and a list of arguments; DispatchPtr, the counted reference to one;
// TAutoObject, the base that in-process servers build their objects on (a table of named members).
//
// Why an intrusive count rather than std::shared_ptr: an automation object hands out references
// to itself and to its parents from inside its own members (a cell returns its sheet, a sheet its
// application), and the script cells and by-reference arguments hold a reference by value. With
// the count inside the object any raw IDispatch* can be turned back into an owning reference, the
// way automation clients have always done it, and a reference is one pointer wide.
//
// Objects are used on the thread that created them; the count is atomic only so that releasing a
// reference from another thread (background printing) is never a data race.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bexlo {

class OleVariant;

using HRESULT = std::int32_t;
using DISPID = std::int32_t;

// Result codes of the automation calls that report by code instead of raising.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
inline constexpr HRESULT MK_E_UNAVAILABLE = static_cast<HRESULT>(0x800401E3u);
inline constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108u);

inline bool Succeeded(HRESULT code) noexcept { return code >= 0; }
// The message text of a result code ("Unknown name", ...; unknown codes as "OLE error 8xxxxxxx").
std::string OleErrorMessage(HRESULT code);
// Raises EOleError with the code's message when the code reports a failure.
void OleCheck(HRESULT code);

// Call kinds of Invoke (bits; a property get may also be a method call: 1 | 2 = 3).
inline constexpr unsigned DISPATCH_METHOD = 1;
inline constexpr unsigned DISPATCH_PROPERTYGET = 2;
inline constexpr unsigned DISPATCH_PROPERTYPUT = 4;

class IDispatch {
 public:
  IDispatch() = default;
  IDispatch(const IDispatch&) = delete;
  IDispatch& operator=(const IDispatch&) = delete;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; the object deletes itself when the last one goes.
  void Release() const noexcept;
  int RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

  // S_OK while the object is alive; an object whose server has gone answers an error code
  // (RPC_E_DISCONNECTED). Callers use it to test a cached object before reusing it.
  virtual HRESULT GetTypeInfoCount(unsigned& count);
  // The identifier of the member called `name` (case-insensitive); DISP_E_UNKNOWNNAME if none.
  virtual HRESULT GetIDsOfNames(std::string_view name, DISPID& id) = 0;
  // Calls member `id` with `kind` (DISPATCH_...). Arguments come in call order (first argument
  // first); a property put brings the value to store as the last argument. By-reference
  // arguments (OleVariant::IsByRef) may be written through SetRef. `result` is null when the
  // caller wants no result. Failures raise EOleError (or any Exception) with a message.
  virtual void Invoke(DISPID id, unsigned kind, std::span<OleVariant> args, OleVariant* result) = 0;

 protected:
  virtual ~IDispatch() = default;

 private:
  mutable std::atomic<int> refs_{0};
};

// A counted reference to an IDispatch (null allowed). Copying adds a reference; destruction and
// reassignment release one.
class DispatchPtr {
 public:
  DispatchPtr() noexcept = default;
  DispatchPtr(std::nullptr_t) noexcept {}
  // Takes a reference to `object` (the count starts at 0 for a new object, so
  // DispatchPtr(new T) makes the first owner).
  explicit DispatchPtr(IDispatch* object) noexcept : p_(object) { if (p_) p_->AddRef(); }
  DispatchPtr(const DispatchPtr& other) noexcept : p_(other.p_) { if (p_) p_->AddRef(); }
  DispatchPtr(DispatchPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~DispatchPtr() { if (p_) p_->Release(); }
  DispatchPtr& operator=(DispatchPtr other) noexcept { std::swap(p_, other.p_); return *this; }

  IDispatch* get() const noexcept { return p_; }
  IDispatch* operator->() const noexcept { return p_; }
  IDispatch& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { DispatchPtr().swap(*this); }
  void swap(DispatchPtr& other) noexcept { std::swap(p_, other.p_); }
  friend bool operator==(const DispatchPtr& a, const DispatchPtr& b) noexcept { return a.p_ == b.p_; }

 private:
  IDispatch* p_ = nullptr;
};

// Creates a T (an IDispatch) and returns the first reference to it.
template <class T, class... Args>
DispatchPtr MakeDispatch(Args&&... args) {
  return DispatchPtr(new T(std::forward<Args>(args)...));
}

// Late-bound call by name: GetIDsOfNames (a failure raises EOleError through OleCheck), then
// Invoke. `result` may be null.
void DispatchInvoke(IDispatch& object, std::string_view member, unsigned kind,
                    std::span<OleVariant> args, OleVariant* result);

// The base of in-process automation objects: members are registered by name with a handler, and
// the object answers GetIDsOfNames/Invoke from that table. Disconnect() makes the object dead
// (as when its server quits): GetTypeInfoCount then answers RPC_E_DISCONNECTED and every call
// raises that error.
class TAutoObject : public IDispatch {
 public:
  using Member = std::function<void(unsigned kind, std::span<OleVariant> args, OleVariant* result)>;

  HRESULT GetTypeInfoCount(unsigned& count) override;
  HRESULT GetIDsOfNames(std::string_view name, DISPID& id) override;
  void Invoke(DISPID id, unsigned kind, std::span<OleVariant> args, OleVariant* result) override;

  void Disconnect() noexcept { connected_ = false; }
  bool Connected() const noexcept { return connected_; }

 protected:
  // Registers member `name` (ASCII, case-insensitive); a later registration of the same name
  // replaces the handler.
  void AddMember(std::string_view name, Member member);
  // Raises EOleError "Invalid number of parameters" when fewer than `count` arguments came.
  static void RequireArgs(std::span<OleVariant> args, std::size_t count);

 private:
  std::vector<std::pair<std::string, Member>> members_;  // upper-cased name, handler
  bool connected_ = true;
};

}  // namespace bexlo
