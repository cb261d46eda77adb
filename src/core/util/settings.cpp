#include "util/settings.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "util/text.h"

namespace bexlo {

std::string DetectApplicationDir() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  std::filesystem::path dir = error ? std::filesystem::current_path(error) : exe.parent_path();
  std::string text = dir.string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string GetOrderStr(std::string_view sql) {
  // The keyword is ASCII, so it is matched ignoring ASCII case on the text itself: positions
  // stay those of the given text whatever its other characters are.
  const std::size_t n = OrdStr.size();
  for (std::size_t i = 0; i + n <= sql.size(); ++i) {
    bool match = true;
    for (std::size_t k = 0; k < n && match; ++k) {
      char c = sql[i + k];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      match = c == OrdStr[k];
    }
    if (match) return std::string(TrimView(sql.substr(i + n)));
  }
  return std::string();
}

std::string GetLabelLine(std::string_view displayLabel, int level) {
  std::string_view text = displayLabel;
  for (int i = 0; i < level; ++i) {
    const std::size_t bar = text.find('|');
    if (bar == std::string_view::npos) return std::string();
    text.remove_prefix(bar + 1);
  }
  return std::string(text.substr(0, text.find('|')));
}

void GetLabelLine(std::string_view displayLabel, int level, std::string& text) {
  text = GetLabelLine(displayLabel, level);
}

}  // namespace bexlo
