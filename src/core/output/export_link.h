// The way from the viewer to the word processor. The office link installs CreateWordExport
// (InstallOfficeLink, which InitWidgets calls): it opens the word processor, adds a document for
// the viewer's file and returns it as an export target, which Finish completes. Until it is
// installed (it is null by default) exporting raises a clear error instead of doing nothing.
#pragma once

#include <memory>

#include "output/file_viewer_model.h"

namespace bexlo {

using TCreateWordExportFunc = std::unique_ptr<TExportTarget> (*)(const TFileViewerModel& viewer);
inline TCreateWordExportFunc CreateWordExport = nullptr;

// Writes the viewer's pages into a new word-processor document through CreateWordExport.
// Nothing when nothing is loaded; raises SQoNoOfficeLink when no office link is installed.
void ExportToWordProcessor(const TFileViewerModel& viewer);

}  // namespace bexlo
