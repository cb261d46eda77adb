// Runs one template as the command line asks: sets up formats, the printer model and the
// included-template store, runs the report, and reports the outcome.
#pragma once

#include <iosfwd>
#include <string>

#include "runner_options.h"

namespace bexlo {
class TStrings;
}

namespace bexlo::runner {

// Runs the report; returns the exit status (0 success, 1 the report failed). Messages go to
// `err` ("error: MESSAGE" and "at line L, column C"), the output file's path to `out`.
int RunReport(const TRunOptions& options, std::ostream& out, std::ostream& err);

// The 1-based line and column of a template offset counted as ErrorPos counts (code points,
// every line its length plus two for the line break). An offset past the end gives the
// position just after the last line.
struct TTextPosition {
  int Line = 1;
  int Column = 1;
};
TTextPosition PositionOfOffset(const TStrings& lines, int offset);

}  // namespace bexlo::runner
