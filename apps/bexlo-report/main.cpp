// bexlo-report: runs a report template from the command line and writes its output file.
//   bexlo-report run TEMPLATE [options]     (bexlo-report --help lists the options)
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "display.h"
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
  const int status = RunReport(line.Options, std::cout, std::cerr);
  if (status != 0 || !line.Options.ShowsOutput()) return status;
  std::error_code error;
  const std::string output = std::filesystem::absolute(line.Options.Out, error).string();
  return ShowOutput(line.Options, output, argc, argv, std::cout, std::cerr);
}
