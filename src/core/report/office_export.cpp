#include "report/office_export.h"

#include "automation/office_servers.h"
#include "output/export_link.h"
#include "report/ole_link.h"

namespace bexlo {

std::unique_ptr<TExportTarget> CreateOfficeWordExport(const TFileViewerModel& viewer) {
  auto link = std::make_unique<TOLELink>(nullptr, "WORD");
  link->SourceName = viewer.GetFileName();
  link->AddDoc();
  return link;
}

void InstallOfficeLink() { CreateWordExport = CreateOfficeWordExport; }

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
    if (viewer.LineCount() > 0) {
      const std::unique_ptr<TExportTarget> document = CreateOfficeWordExport(viewer);
      viewer.Export(*document);
      document->Finish();
    }
  } catch (...) {
    OfficeFileName = previous;
    throw;
  }
  OfficeFileName = previous;
}

}  // namespace bexlo
