#include "grid/grid_state_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/legacy_text.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"

namespace bexlo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kCrLf = "\r\n";

struct Section {
  std::string_view name;
  std::vector<std::string> TGridState::*lines;
  const char* list;
};
constexpr Section kSections[] = {
    {"[SEARCH]", &TGridState::Search, "search"},
    {"[CHOICE]", &TGridState::Choice, "choice"},
    {"[BUILD]", &TGridState::Build, "builder"},
    {"[ORDER]", &TGridState::Order, "order"},
};

bool IsDeleteMark(std::string_view line) {
  return line.size() >= 7 && AsciiUpperCase(line.substr(0, 7)) == ";DELETE";
}

// Lines that need the extra blank to read back as they are.
bool NeedsEscape(std::string_view line) {
  return line.empty() || line.front() == '[' || line.front() == ' ' || IsDeleteMark(line);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string ErrnoText(int error) { return std::strerror(error); }

std::string TempNameBeside(const fs::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  std::ostringstream name;
  name << "." << target.filename().string() << "." << std::hex << random() << ".tmp";
  return (target.parent_path() / name.str()).string();
}

}  // namespace

std::string WriteGridStateText(const TGridState& state) {
  std::string out(kGridStateFileHeader);
  out += kCrLf;
  for (const Section& section : kSections) {
    out += section.name;
    out += kCrLf;
    for (const std::string& line : state.*section.lines) {
      if (line.find_first_of("\r\n") != std::string::npos) {
        throw Exception(Format(msg::SQoStateLineBreak, state.Title, std::string(section.list)));
      }
      if (NeedsEscape(line)) out += ' ';
      out += line;
      out += kCrLf;
    }
  }
  return out;
}

TGridStateFile ReadGridStateText(std::string_view text) {
  TGridStateFile file;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  bool escaped = false;
  bool beforeSections = true;
  std::vector<std::string>* current = nullptr;
  for (std::string_view line : SplitLines(text)) {
    if (IsDeleteMark(line)) {
      file.DeleteMark = true;
      continue;
    }
    if (!line.empty() && line.front() == '[') {
      beforeSections = false;
      current = nullptr;
      const std::string name = AsciiUpperCase(TrimView(line));
      for (const Section& section : kSections) {
        if (name == section.name) current = &(file.State.*section.lines);
      }
      continue;
    }
    if (beforeSections) {
      if (line == kGridStateFileHeader) escaped = true;
      continue;
    }
    if (current == nullptr || line.empty()) continue;
    if (escaped && line.front() == ' ') line.remove_prefix(1);
    current->emplace_back(line);
  }
  return file;
}

std::string GridStateFileName(const TGridState& state) {
  auto refuse = [&](const char* reason) {
    throw Exception(Format(msg::SQoStateFileName, state.Title, state.Group, std::string(reason)));
  };
  if (state.Group.find('/') != std::string::npos || state.Title.find('/') != std::string::npos) {
    refuse("a file name cannot hold \"/\"");
  }
  if (state.Group.find('\0') != std::string::npos || state.Title.find('\0') != std::string::npos) {
    refuse("a file name cannot hold a zero byte");
  }
  if (state.Group.find('^') != std::string::npos) {
    refuse("the group holds \"^\", which separates group and title in the file name");
  }
  return state.Group + "^" + state.Title + ".GRD";
}

bool SplitGridStateFileName(std::string_view fileName, std::string& group, std::string& title) {
  if (fileName.size() < 4 || AsciiUpperCase(fileName.substr(fileName.size() - 4)) != ".GRD") return false;
  const std::string_view stem = fileName.substr(0, fileName.size() - 4);
  const std::size_t caret = stem.find('^');
  if (caret == std::string_view::npos) return false;
  group = std::string(stem.substr(0, caret));
  title = std::string(stem.substr(caret + 1));
  return true;
}

std::string WriteGridStateFile(const std::string& dir, const TGridState& state) {
  const std::string text = WriteGridStateText(state);
  const fs::path target = fs::path(dir) / GridStateFileName(state);
  const std::string temp = TempNameBeside(target);
  auto fail = [&](const std::string& reason) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw EInOutError(Format(msg::SQoStateFileWrite, target.string(), reason));
  };
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) fail(ErrnoText(errno));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) fail(ErrnoText(errno));
  }
  std::error_code ec;
  fs::rename(temp, target, ec);
  if (ec) fail(ec.message());
  return target.string();
}

TGridStateFile ReadGridStateFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInOutError(Format(msg::SQoStateFileRead, path, ErrnoText(errno)));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw EInOutError(Format(msg::SQoStateFileRead, path, ErrnoText(errno)));
  // Files (and file names) of earlier workstations are in the legacy code page.
  const std::string text = DecodeLegacyText(buffer.str());
  const std::string name = DecodeLegacyText(fs::path(path).filename().string());
  TGridStateFile file = ReadGridStateText(text);
  if (!SplitGridStateFileName(name, file.State.Group, file.State.Title)) {
    file.State.Title = name;
  }
  return file;
}

std::vector<std::string> ListGridStateFiles(const std::string& dir) {
  std::vector<std::string> files;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 4 || AsciiUpperCase(name.substr(name.size() - 4)) != ".GRD") continue;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    files.push_back(it->path().string());
  }
  if (ec) throw EInOutError(Format(msg::SQoStateFileRead, dir, ec.message()));
  std::sort(files.begin(), files.end());
  return files;
}

void ExportGridStates(const std::string& dir, const std::vector<TGridState>& states) {
  for (const TGridState& state : states) {
    WriteGridStateText(state);
    GridStateFileName(state);
  }
  for (const TGridState& state : states) WriteGridStateFile(dir, state);
}

bool GetPath(std::string& path) {
  path.clear();
  const std::optional<std::string> chosen = UserInteraction().SelectDirectory(msg::SQoChooseDirectory, "");
  if (!chosen || chosen->empty()) return false;
  path = *chosen;
  if (path.back() != '/') path += '/';
  return true;
}

}  // namespace bexlo
