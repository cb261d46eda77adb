// The runner's store of included templates, installed as the Report_GetFmtData hook: the
// template of Include('GROUP', 'NAME') is the file DIR/GROUP/NAME.fmt (DIR/NAME.fmt when GROUP
// is empty), DIR being the templates directory. Names are single path segments: a group or name
// holding a path separator or starting with "." finds nothing. An included report writes its
// output into a scratch directory of the run.
#pragma once

#include <memory>
#include <string>

namespace bexlo {
class TStringList;
}

namespace bexlo::runner {

// Sets where templates are looked up and where included reports write their output.
void SetTemplateStore(std::string templatesDir, std::string scratchDir);

// The Report_GetFmtData routine of the runner.
std::unique_ptr<TStringList> GetTemplateFile(const std::string& group, const std::string& name,
                                             const std::string& databaseName, bool& oneRecord,
                                             bool& landscape, std::string& outputName);

}  // namespace bexlo::runner
