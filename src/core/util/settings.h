// The library-wide settings and the report callbacks every report started by the library
// receives. Process-wide variables that the host application may read and change at any time on
// the main thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "util/object.h"

namespace bexlo {

class TDataSet;

// Lets the application fill the parameters of a report's query before it opens.
using TSetSQLParamsEvent = std::function<void(TObject* sender, TDataSet* dataSet)>;
// A report's OnEndReport event.
using TEndReportEvent = std::function<bool(TObject* sender)>;

// The application's key in the state and report tables (SYS_GRIDS, SYS_REPORT).
inline std::string ApplicationName = "Unknown";
// Whether the report choice window offers template editing.
inline bool UseReportEdit = true;
// Whether the grid state choice window allows editing and deleting states.
inline bool UseGridStateEdit = true;
// Printing option of the output viewer; persisted in the user's settings as "ShadowPrint".
inline bool ShadowPrint = false;
// Background report threads alive: the thread adds one when created and subtracts one when
// destroyed; the preview reads it. Atomic because the count changes on that thread.
inline std::atomic<std::int32_t> ReportThreadCount{0};
// Whether printing asks for confirmation first.
inline bool ConfirmBeforePrint = true;
// Whether search conditions refer to query parameters instead of literal values.
inline bool UseParamInSearch = false;
// Whether currency edit formatting is active.
inline bool UseCurrencyLink = true;
// Printer resolution for millimetre-to-pixel conversion; 0 until loaded from the user's
// settings ("PrinterDPI").
inline std::int32_t PrinterDPI = 0;
// The keyword GetOrderStr looks for.
inline constexpr std::string_view OrdStr = "ORDER BY";

// The directory of the running program, ending with "/" (from /proc/self/exe; the current
// directory when that cannot be read). Tests and hosts may change it.
std::string DetectApplicationDir();
inline std::string ApplicationDir = DetectApplicationDir();

// Report callbacks: empty by default; the application assigns them and every report started
// through the grid, the report list, the report expert or the template editor gets them as its
// OnSetValues, OnSetNames, OnSetFuncs and OnSetSQLParams.
inline TNotifyEvent Report_SetValues;
inline TNotifyEvent Report_SetNames;
inline TNotifyEvent Report_SetFuncs;
inline TSetSQLParamsEvent Report_SetSQLParams;

// The ordering list of a query text: the text after the first "ORDER BY" (any letter case, one
// blank between the words), in its own letter case, trimmed of blanks and control characters;
// empty when the text has no such keyword.
std::string GetOrderStr(std::string_view sql);

// Line `level` (0 = first) of a multi-line field label whose lines are separated by "|";
// empty when the label has fewer lines.
std::string GetLabelLine(std::string_view displayLabel, int level);
void GetLabelLine(std::string_view displayLabel, int level, std::string& text);

}  // namespace bexlo
