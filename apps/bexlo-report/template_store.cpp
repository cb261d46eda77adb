#include "template_store.h"

#include <filesystem>
#include <system_error>

#include "util/strings.h"

namespace bexlo::runner {

namespace fs = std::filesystem;

namespace {

std::string templates_dir;
std::string scratch_dir;
int included_count = 0;

bool IsPlainSegment(const std::string& s) {
  return !s.empty() && s[0] != '.' && s.find('/') == std::string::npos &&
         s.find('\\') == std::string::npos;
}

}  // namespace

void SetTemplateStore(std::string templatesDir, std::string scratchDir) {
  templates_dir = std::move(templatesDir);
  scratch_dir = std::move(scratchDir);
}

std::unique_ptr<TStringList> GetTemplateFile(const std::string& group, const std::string& name,
                                             const std::string&, bool& oneRecord, bool& landscape,
                                             std::string& outputName) {
  if (!IsPlainSegment(name) || (!group.empty() && !IsPlainSegment(group))) return nullptr;
  fs::path path(templates_dir);
  if (!group.empty()) path /= group;
  path /= name + ".fmt";
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return nullptr;
  auto lines = std::make_unique<TStringList>();
  lines->LoadFromFile(path.string());
  oneRecord = false;
  landscape = false;
  // Every Include gets its own output file, so that two included reports never share one.
  outputName = (fs::path(scratch_dir) / ("include" + std::to_string(++included_count) + ".prn")).string();
  return lines;
}

}  // namespace bexlo::runner
