// TBlob: a nested report held by a report variable (the Include function creates them; the
// including report's object list owns them). Printed through a field, it runs the nested report
// and spreads the lines of its output over the field's output lines.
#pragma once

#include <memory>

#include "util/object.h"
#include "util/strings.h"

namespace bexlo {

class TQoReport;

class TBlob : public TObject {
 public:
  explicit TBlob(std::unique_ptr<TQoReport> report);
  ~TBlob() override;
  std::string_view ClassName() const noexcept override { return "TBlob"; }

  TQoReport* Report() const noexcept { return report_.get(); }
  // The nested output as loaded by the last Run.
  TStringList& Lines() noexcept { return lines_; }

  // Prepares the nested report, switches it to one-record mode when it has no data set,
  // executes it and loads its output file (PrintName, see ExpandOutputPath) line by line; an
  // output that does not exist leaves the list empty. Returns the number of lines.
  int Run();

 private:
  std::unique_ptr<TQoReport> report_;
  TStringList lines_;
};

}  // namespace bexlo
