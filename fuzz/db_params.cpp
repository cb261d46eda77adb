// Fuzzes the ":name" parameter scanner on arbitrary SQL text: references must lie inside the text,
// in order and apart, each starting with ':'; rewriting keeps the rest of the text, and one
// parameter stands for each distinct name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "db/params.h"
#include "db/sql_params.h"

using namespace bexlo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  const auto refs = ScanSqlParams(sql);
  std::size_t end = 0;
  for (const TSqlParamRef& ref : refs) {
    if (ref.offset < end || ref.offset + ref.length > sql.size() || sql[ref.offset] != ':' ||
        ref.length < 2 || ref.name.empty()) {
      std::abort();
    }
    end = ref.offset + ref.length;
  }
  for (TParamMarker marker : {TParamMarker::QuestionNumber, TParamMarker::DollarNumber}) {
    const TParsedSql parsed = ParseSqlParams(sql, marker);
    if (parsed.names.size() > refs.size()) std::abort();
    // Text outside the references is kept as it was.
    std::size_t kept = sql.size();
    for (const TSqlParamRef& ref : refs) kept -= ref.length;
    if (parsed.text.size() < kept) std::abort();
    for (std::size_t i = 0; i < parsed.names.size(); ++i) {
      for (std::size_t j = i + 1; j < parsed.names.size(); ++j) {
        if (SameParamName(parsed.names[i], parsed.names[j])) std::abort();
      }
    }
  }
  TParams params;
  const auto names = params.ParseSQL(sql);
  if (static_cast<int>(names.size()) != params.Count()) std::abort();
  return 0;
}
