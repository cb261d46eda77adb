#include "output/export_link.h"

#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {

void ExportToWordProcessor(const TFileViewerModel& viewer) {
  if (!viewer.IsLoaded() || viewer.LineCount() == 0) return;
  if (CreateWordExport == nullptr) throw Exception(msg::SQoNoOfficeLink);
  std::unique_ptr<TExportTarget> target = CreateWordExport(viewer);
  if (target == nullptr) throw Exception(msg::SQoNoOfficeLink);
  viewer.Export(*target);
  target->Finish();
}

}  // namespace bexlo
