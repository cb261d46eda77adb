// Variant: the value of a database field, query parameter or dictionary choice. It holds nothing
// (Null) or one typed value: boolean, 64-bit integer, double, UTF-8 string, date-time or bytes.
// It stores and compares; turning one type into another is the job of the code that knows the
// rules (fields convert their values, parameters convert what they are given).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace bexlo {

using TBytes = std::vector<std::uint8_t>;

enum class TVariantType : std::uint8_t { varNull, varBoolean, varInteger, varFloat, varString, varDate, varBytes };

// A date-time kept apart from a plain number: days since 1899-12-30, fraction = time of day.
struct VariantDate {
  double value = 0;
  friend bool operator==(VariantDate, VariantDate) = default;
};

class Variant {
 public:
  Variant() = default;  // Null
  Variant(bool v) : value_(v) {}
  Variant(int v) : value_(static_cast<std::int64_t>(v)) {}
  Variant(std::int64_t v) : value_(v) {}
  Variant(long long v) : value_(static_cast<std::int64_t>(v)) {}
  Variant(double v) : value_(v) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(VariantDate v) : value_(v) {}
  Variant(TBytes v) : value_(std::move(v)) {}

  static Variant Null() { return Variant(); }
  static Variant FromDate(double dateTime) { return Variant(VariantDate{dateTime}); }

  TVariantType Type() const noexcept { return static_cast<TVariantType>(value_.index()); }
  bool IsNull() const noexcept { return value_.index() == 0; }

  // Exact accessors: valid only for the matching Type(); anything else is a programming error
  // and throws std::bad_variant_access.
  bool Boolean() const { return std::get<bool>(value_); }
  std::int64_t Integer() const { return std::get<std::int64_t>(value_); }
  double Float() const { return std::get<double>(value_); }
  const std::string& String() const { return std::get<std::string>(value_); }
  double Date() const { return std::get<VariantDate>(value_).value; }
  const TBytes& Bytes() const { return std::get<TBytes>(value_); }

  // In-place assignment. Setting a string over a string reuses its storage, so a cursor that
  // refills the same row buffer for every record allocates nothing once the buffer has grown.
  void SetNull() noexcept { value_.emplace<std::monostate>(); }
  void SetBoolean(bool v) noexcept { Set(v); }
  void SetInteger(std::int64_t v) noexcept { Set(v); }
  void SetFloat(double v) noexcept { Set(v); }
  void SetDate(double dateTime) noexcept { Set(VariantDate{dateTime}); }
  void SetString(std::string_view v) {
    if (auto* s = std::get_if<std::string>(&value_)) {
      s->assign(v.data(), v.size());
    } else {
      value_.emplace<std::string>(v);
    }
  }
  void SetBytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (auto* b = std::get_if<TBytes>(&value_)) {
      b->assign(p, p + size);
    } else {
      value_.emplace<TBytes>(p, p + size);
    }
  }

  // Same type and same value (Null equals Null).
  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  // Overwrites a value of the same type in place; only a change of type rebuilds the variant.
  template <class T>
  void Set(T v) noexcept {
    if (auto* p = std::get_if<T>(&value_)) {
      *p = v;
    } else {
      value_.template emplace<T>(v);
    }
  }

  std::variant<std::monostate, bool, std::int64_t, double, std::string, VariantDate, TBytes> value_;
};

}  // namespace bexlo
