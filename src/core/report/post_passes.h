// The post-passes that re-arrange a finished report output, line by line:
//   PairPages: two pages of at most half a sheet share one sheet of pageSize lines;
//   ArrangeColumns: pageCols chunks of pageSize lines are set side by side on one sheet.
// Each pass writes a complete work file (the output name with extension ".$$$"), flushes it to
// the disk, then the old output becomes ".bak" (an older ".bak" is deleted first) and the work
// file takes the output's name. A failure at any step leaves the original output under its name
// and raises EInOutError.
#pragma once

#include <string>

namespace bexlo {

// Page sizes and column counts beyond these are taken as these (a runaway script value must not
// produce gigabytes of blank lines).
inline constexpr int kMaxPostPassPageSize = 65536;
inline constexpr int kMaxPostPassColumns = 1024;

// conditional: pair only pages that fit on half a sheet (Break2Mode absent or not 0).
void PairPages(const std::string& path, int pageSize, bool conditional);
void ArrangeColumns(const std::string& path, int pageSize, int pageCols);

// Puts workPath in place of path, keeping the old file as backupPath (see above).
void ReplaceWithWorkFile(const std::string& path, const std::string& workPath, const std::string& backupPath);

}  // namespace bexlo
