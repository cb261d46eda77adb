// Small routines of the grid state unit: the break check of long runs and the version of a
// program file.
#pragma once

#include <string>

namespace bexlo {

// Lets pending user input through (UserInteraction().BreakRequested: the widget library
// processes events and, when Escape was pressed, asks "Break process ?"). Returns whether the
// user chose to stop; with raiseError set that raises "Operation is interrupt by user" instead.
bool BreakProcess(bool raiseError);

// The version of a program file as "major.minor.release.build". Our ELF files carry no version
// resource; libbexlo_core embeds a note (section ".note.bexlo.version", owner "Bexlo") with the
// version it was built as, and this reads that note from the given file. The empty string for a
// file without the note (any program that does not link this routine, a non-ELF file, a file that
// cannot be read) and for an all-zero version.
std::string GetFileVersionStr(const std::string& fileName);

}  // namespace bexlo
