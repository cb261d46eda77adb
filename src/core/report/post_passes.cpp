#include "report/post_passes.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "report/output_stream.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

void WriteLine(TOutputStream& out, std::string_view text) {
  out.Write(text.empty() ? std::string_view(" ") : text);
  out.Write("\r\n");
}

// Distinct names for the work file and the backup, even for an output already named ".$$$" or
// ".bak".
std::string WorkPathOf(const std::string& path) {
  std::string work = ChangeFileExt(path, ".$$$");
  return work == path ? path + ".$$$" : work;
}

std::string BackupPathOf(const std::string& path) {
  std::string backup = ChangeFileExt(path, ".bak");
  return backup == path ? path + ".bak" : backup;
}

// Runs write(out) into the work file and swaps it in; on any failure the work file is removed
// and the original stays.
void RewriteOutput(const std::string& path, const std::function<void(TOutputStream&)>& write) {
  const std::string work = WorkPathOf(path);
  try {
    TOutputStream out(work, false);
    write(out);
    out.Close(true);
  } catch (...) {
    ::unlink(work.c_str());
    throw;
  }
  ReplaceWithWorkFile(path, work, BackupPathOf(path));
}

}  // namespace

void ReplaceWithWorkFile(const std::string& path, const std::string& workPath, const std::string& backupPath) {
  auto fail = [&](const std::string& from, const std::string& to, int error) {
    ::unlink(workPath.c_str());
    throw EInOutError(Format(msg::SQoOutputRename, from, to, std::strerror(error)));
  };
  if (::unlink(backupPath.c_str()) != 0 && errno != ENOENT) fail(path, backupPath, errno);
  if (::rename(path.c_str(), backupPath.c_str()) != 0) fail(path, backupPath, errno);
  if (::rename(workPath.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::rename(backupPath.c_str(), path.c_str());  // put the original back under its name
    fail(workPath, path, error);
  }
}

void PairPages(const std::string& path, int pageSize, bool conditional) {
  const std::size_t sheet = static_cast<std::size_t>(std::clamp(pageSize, 1, kMaxPostPassPageSize));
  const std::size_t half = sheet / 2;
  RewriteOutput(path, [&](TOutputStream& out) {
    std::vector<std::string> buffer;
    std::size_t firstPageLines = 0;  // lines of the first page of the buffer
    bool firstPageDone = false;      // the buffer holds a complete first page
    auto flush = [&] {
      for (const std::string& line : buffer) WriteLine(out, line);
      buffer.clear();
    };
    // The second page (from index firstPageLines, which starts with its "^") follows the first on
    // the same sheet: its mark goes and blank lines fill the sheet up between them.
    auto flushMerged = [&] {
      for (std::size_t i = 0; i < firstPageLines; ++i) WriteLine(out, buffer[i]);
      for (std::size_t i = buffer.size(); i < sheet; ++i) WriteLine(out, " ");
      WriteLine(out, std::string_view(buffer[firstPageLines]).substr(1));
      for (std::size_t i = firstPageLines + 1; i < buffer.size(); ++i) WriteLine(out, buffer[i]);
      buffer.clear();
    };
    ForEachOutputLine(path, [&](std::string_view line) {
      if (!line.empty() && line[0] == '^') {
        if (!firstPageDone) {
          firstPageLines = buffer.size();
          if (conditional && firstPageLines > half)
            flush();
          else
            firstPageDone = true;
        } else {
          if (!conditional || buffer.size() - firstPageLines <= half)
            flushMerged();
          else
            flush();
          firstPageDone = false;
        }
      }
      buffer.emplace_back(line);
    });
    if (!buffer.empty() && buffer.back() == "^") buffer.pop_back();
    flush();
  });
}

void ArrangeColumns(const std::string& path, int pageSize, int pageCols) {
  const std::size_t chunk = static_cast<std::size_t>(std::clamp(pageSize, 1, kMaxPostPassPageSize));
  const int columns = std::clamp(pageCols, 1, kMaxPostPassColumns);
  RewriteOutput(path, [&](TOutputStream& out) {
    std::vector<std::string> rows;
    std::size_t row = 0;  // line index within the current chunk
    int column = 0;       // chunk index within the current sheet
    int sheets = 0;
    auto writeSheet = [&] {
      if (sheets++ > 0) out.Write('^');
      for (const std::string& text : rows) WriteLine(out, text);
      rows.clear();
    };
    ForEachOutputLine(path, [&](std::string_view line) {
      if (column == 0)
        rows.emplace_back(line);
      else if (row < rows.size())
        rows[row] += line;
      if (++row == chunk) {
        row = 0;
        if (++column == columns) {
          writeSheet();
          column = 0;
        }
      }
    });
    if (!rows.empty()) writeSheet();
  });
}

}  // namespace bexlo
