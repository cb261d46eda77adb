// Exports arbitrary bytes, read as a report output file, to a word-processor document: the viewer
// indexes the file, the office link makes its calls on the built-in word-processor server, which
// writes the .docx to a file in memory (/dev/shm when there is one). The export may only fail
// with the library's own exceptions at load time (an empty file cannot be mapped); the package
// must then hold a document.xml that is valid UTF-8 without the control characters XML forbids,
// with every paragraph and text element closed.
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "automation/office_servers.h"
#include "output/export_link.h"
#include "output/file_viewer_model.h"
#include "report/office_export.h"
#include "util/exceptions.h"
#include "util/settings.h"
#include "util/text.h"

namespace {

std::string Directory() {
  return std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
}

const std::string& FilePath() {
  static const std::string path = Directory() + "/bexlo_fuzz_docx_" + std::to_string(getpid()) + ".prn";
  return path;
}

const std::string& DocxPath() {
  static const std::string path = Directory() + "/bexlo_fuzz_docx_" + std::to_string(getpid()) + ".docx";
  return path;
}

std::string DocumentXml() {
  int error = 0;
  zip_t* archive = zip_open(DocxPath().c_str(), ZIP_RDONLY, &error);
  if (!archive) std::abort();
  zip_stat_t stat;
  if (zip_stat(archive, "word/document.xml", 0, &stat) != 0) std::abort();
  zip_file_t* file = zip_fopen(archive, "word/document.xml", 0);
  std::string xml(stat.size, '\0');
  if (!file || zip_fread(file, xml.data(), stat.size) != static_cast<zip_int64_t>(stat.size)) std::abort();
  zip_fclose(file);
  zip_close(archive);
  return xml;
}

// Removes the two files after each input (the fuzzer may end without running destructors).
struct TCleanup {
  ~TCleanup() {
    std::remove(FilePath().c_str());
    std::remove(DocxPath().c_str());
  }
};

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bexlo;
  // The first byte picks the orientation; the rest is the file.
  const std::uint8_t setup = size > 0 ? data[0] : 0;
  if (size > 0) {
    ++data;
    --size;
  }
  PrinterDPI = 300;
  const TCleanup cleanup;
  std::FILE* file = std::fopen(FilePath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  TFileViewerModel viewer;
  viewer.SetFileName(FilePath());
  viewer.SetOrientation((setup & 1) ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
  try {
    viewer.LoadFile();
  } catch (const Exception&) {
    return 0;  // an empty file cannot be mapped
  }
  OfficeFileName = DocxPath();
  InstallOfficeLink();
  ExportToWordProcessor(viewer);  // a failure here (the guard's EAbort) is a finding

  const std::string xml = DocumentXml();
  if (!IsValidUtf8(xml)) std::abort();
  for (unsigned char c : xml)
    if (c < 0x20 && c != '\n') std::abort();
  if (Count(xml, "<w:p>") != Count(xml, "</w:p>")) std::abort();
  if (Count(xml, "<w:t xml:space=\"preserve\">") != Count(xml, "</w:t>")) std::abort();
  if (xml.find("</w:body></w:document>") == std::string::npos) std::abort();
  return 0;
}
