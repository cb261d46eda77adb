#include "report/office_export.h"

#include "automation/office_servers.h"
#include "report/ole_link.h"

namespace bexlo {

void ExportToWordProcessor(const TFileViewerModel& viewer) {
  if (!viewer.IsLoaded() || viewer.LineCount() == 0) return;
  TOLELink link(nullptr, "WORD");
  link.SourceName = viewer.GetFileName();
  link.AddDoc();
  viewer.Export(link);
  link.Close();
}

void ExportOutputToDocx(const std::string& outputFile, const std::string& docxFile,
                        TPrinterOrientation orientation) {
  TFileViewerModel viewer;
  viewer.SetFileName(outputFile);
  viewer.SetOrientation(orientation);
  viewer.LoadFile();
  // The document goes to docxFile whatever the host set for other documents.
  const std::string previous = OfficeFileName;
  OfficeFileName = docxFile;
  try {
    ExportToWordProcessor(viewer);
  } catch (...) {
    OfficeFileName = previous;
    throw;
  }
  OfficeFileName = previous;
}

}  // namespace bexlo
