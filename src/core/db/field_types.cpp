#include "db/field_types.h"

#include "db/db_error.h"

namespace bexlo {

std::string_view FieldTypeName(TFieldType type) noexcept {
  switch (type) {
    case ftUnknown: return "Unknown";
    case ftString: return "String";
    case ftSmallint: return "SmallInt";
    case ftInteger: return "Integer";
    case ftWord: return "Word";
    case ftBoolean: return "Boolean";
    case ftFloat: return "Float";
    case ftCurrency: return "Currency";
    case ftBCD: return "BCD";
    case ftDate: return "Date";
    case ftTime: return "Time";
    case ftDateTime: return "DateTime";
    case ftBytes: return "Bytes";
    case ftVarBytes: return "VarBytes";
    case ftAutoInc: return "AutoInc";
    case ftBlob: return "Blob";
    case ftMemo: return "Memo";
  }
  return "Unknown";
}

void DatabaseError(std::string message) { throw EDatabaseError(std::move(message)); }

}  // namespace bexlo
