// Writing a file so that its final name only ever shows a complete file: the data goes into a
// new file beside the target (same directory, so that the rename cannot cross file systems),
// which is flushed to disk and then renamed over the target. On any failure the new file is
// removed, the target is left as it was, and EOleError "Cannot save the document NAME: REASON"
// is raised.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace bexlo {

// Writes `data` to `path` as described above.
void WriteFileBeside(const std::string& path, std::string_view data);

// For writers that want a file name of their own: creates an empty file beside `path`, calls
// write(temporaryName), which fills it (raising or returning an error text on failure; empty
// text means success), then flushes and renames it into place.
void WriteFileBesideWith(const std::string& path, const std::function<std::string(const std::string&)>& write);

}  // namespace bexlo
