// Grid state files (.GRD): one state per file, for export and import between databases.
//
//   ; bexlo grid state: a line beginning with a blank was written with one blank more
//   [SEARCH]
//   NAME=Smi
//   [CHOICE]
//   [BUILD]
//   QTY > 5
//   [ORDER]
//   NAME DESC
//
// Text with CR LF line ends, named GROUP^TITLE.GRD. A section holds the lines after its
// "[NAME]" line up to the next line starting with "["; empty lines are skipped; a line whose first
// seven characters are ";DELETE" (any letter case) anywhere marks the state for deletion on import.
//
// Stored lines that this format would lose or misread (an empty line, a line starting with "[",
// one starting with ";DELETE") are written with one leading blank, and so is every line that
// itself starts with a blank; the header line before the first section tells this reader to take
// that blank off again, so every state reads back exactly. Readers that do not know the header
// skip it (it stands before the first section) and read those lines with a leading blank, which
// neither ends a section, nor deletes the state, nor changes what a condition or ordering means.
// A line holding a line break cannot be written at all: exporting such a state is refused.
//
// Files are read as UTF-8 (anything else is refused with the file's name and the first bad
// byte's offset) and written beside their target, then renamed into place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_state.h"

namespace bexlo {

inline constexpr std::string_view kGridStateFileHeader =
    "; bexlo grid state: a line beginning with a blank was written with one blank more";

// What a state file holds. Group and Title of State come from the file name (empty for text).
struct TGridStateFile {
  TGridState State;
  bool DeleteMark = false;
};

// The file text of a state (header, four sections, CR LF). Raises Exception naming the state and
// list when a line holds a line break.
std::string WriteGridStateText(const TGridState& state);
// Reads file text (UTF-8, already checked). Never fails: unknown sections and lines outside
// sections are ignored.
TGridStateFile ReadGridStateText(std::string_view text);

// GROUP^TITLE.GRD. Raises Exception when the group or title cannot be part of such a name (a
// "/" or a zero byte; a "^" in the group, which import would split at).
std::string GridStateFileName(const TGridState& state);
// Splits a file name (without directory) at its first "^" into group and title, the ".GRD"
// extension (any case) removed. False for names without "^" or without the extension.
bool SplitGridStateFileName(std::string_view fileName, std::string& group, std::string& title);

// Writes the state's file into directory dir (beside the target, then renamed into place) and
// returns its path. Raises EInOutError with the file name and the system's reason.
std::string WriteGridStateFile(const std::string& dir, const TGridState& state);
// Reads a state file; group and title come from its name. Raises EInOutError naming the file
// when it cannot be read or is not UTF-8 text.
TGridStateFile ReadGridStateFile(const std::string& path);
// The .GRD files (any letter case of the extension) of a directory, sorted by name.
std::vector<std::string> ListGridStateFiles(const std::string& dir);

// Writes one file per state into dir. Every state is checked first (line breaks, file names), so
// that a state that cannot be written stops the export before any file is written; a failing
// write stops it with the error.
void ExportGridStates(const std::string& dir, const std::vector<TGridState>& states);

// Asks for a directory ("Choose the directory"); path is the chosen directory ending with "/",
// or empty when the user cancelled. Returns whether one was chosen.
bool GetPath(std::string& path);

}  // namespace bexlo
