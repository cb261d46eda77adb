// The enumerations of the data-access layer: field data types and kinds, data-set states, data
// events, parameter kinds, update statuses and error actions.
#pragma once

#include <cstdint>
#include <string_view>

namespace bexlo {

enum TFieldType : std::uint8_t {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,  // 64-bit integers: INTEGER, BIGINT, int8 ...
  ftWord,
  ftBoolean,
  ftFloat,
  ftCurrency,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftAutoInc,
  ftBlob,
  ftMemo,
};

// "String", "Integer", ... as messages name the types.
std::string_view FieldTypeName(TFieldType type) noexcept;

// Field type groups used throughout the library.
constexpr bool IsIntegerType(TFieldType t) noexcept {
  return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc;
}
constexpr bool IsFloatType(TFieldType t) noexcept {
  return t == ftFloat || t == ftCurrency || t == ftBCD;
}
constexpr bool IsNumericType(TFieldType t) noexcept { return IsIntegerType(t) || IsFloatType(t); }
constexpr bool IsDateTimeType(TFieldType t) noexcept {
  return t == ftDate || t == ftTime || t == ftDateTime;
}
constexpr bool IsStringType(TFieldType t) noexcept { return t == ftString || t == ftMemo; }
constexpr bool IsBlobType(TFieldType t) noexcept { return t == ftBlob || t == ftMemo; }

enum class TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup };
using enum TFieldKind;

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

enum class TDataSetState : std::uint8_t {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
};
using enum TDataSetState;

// What a data set tells its data sources and links.
enum class TDataEvent : std::uint8_t {
  deFieldChange,      // info: the field
  deRecordChange,     // info: null (the whole record)
  deDataSetChange,    // the records shown must be read again
  deDataSetScroll,    // info: the distance the link's window moved
  deLayoutChange,     // fields were added, removed or changed their display
  deUpdateRecord,     // controls must write pending input into their fields
  deUpdateState,      // the state changed (open, close, edit, insert ...)
  deCheckBrowseMode,  // the data set is about to leave the current record
  deFocusControl,     // info: the field whose control should take the focus
};
using enum TDataEvent;

enum class TParamType : std::uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
using enum TParamType;

enum class TUpdateStatus : std::uint8_t { usUnmodified, usModified, usInserted, usDeleted };
using enum TUpdateStatus;

enum class TUpdateKind : std::uint8_t { ukModify, ukInsert, ukDelete };
using enum TUpdateKind;

// The answer of OnPostError, OnDeleteError and OnEditError.
enum class TDataAction : std::uint8_t { daFail, daAbort, daRetry };
using enum TDataAction;

// Options of Locate.
enum TLocateOption : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

}  // namespace bexlo
