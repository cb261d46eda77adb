// bexlo-report: runs a report template from the command line and writes its output file.
//   bexlo-report run TEMPLATE [options]     (bexlo-report --help lists the options)
#include <iostream>
#include <string>
#include <vector>

#include "runner.h"
#include "runner_options.h"

int main(int argc, char** argv) {
  using namespace bexlo::runner;
  const std::vector<std::string> args(argv + 1, argv + argc);
  TCommandLine line;
  try {
    line = ParseCommandLine(args);
  } catch (const TUsageError& e) {
    std::cerr << "bexlo-report: " << e.what() << "\n\n" << UsageText();
    return 2;
  }
  if (line.Action == TCommandLine::TAction::Help) {
    std::cout << UsageText();
    return 0;
  }
  return RunReport(line.Options, std::cout, std::cerr);
}
