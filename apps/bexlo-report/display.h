// What bexlo-report does with an output after the run when asked to: a PDF of it, printing it,
// the preview window. These need Qt; a plain run never gets here, so it starts no Qt
// application. Without a display (no DISPLAY or WAYLAND_DISPLAY) Qt's offscreen platform is
// used, which serves the PDF and printing; the preview then fails with a clear message.
#pragma once

#include <iosfwd>
#include <string>

#include "runner_options.h"

namespace bexlo::runner {

// Returns the exit status: 0 success, 1 a failure (reported to `err` as "error: MESSAGE").
int ShowOutput(const TRunOptions& options, const std::string& outputFile, int& argc, char** argv,
               std::ostream& out, std::ostream& err);

}  // namespace bexlo::runner
