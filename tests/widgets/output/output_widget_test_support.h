// Shared set-up of the output widget tests: the default printer (A4 portrait, 300 dpi, 5 mm
// margins), print settings back at their defaults, a temporary directory, and readers of the
// PDFs the tests write (poppler's pdfinfo and pdftotext).
#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <QStringList>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "output/printer_model.h"
#include "util/settings.h"

namespace bexlo::test {

class OutputWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings();
    dir_ = std::filesystem::temp_directory_path() /
           ("bexlo_viewer_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    ResetSettings();
  }
  static void ResetSettings() {
    PrinterDPI = 0;
    Printer() = TPrinterModel();
    ShadowPrint = false;
    ConfirmBeforePrint = false;
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // Writes `bytes` to a file of the temporary directory and returns its path.
  std::string WriteFile(const std::string& name, std::string_view bytes) {
    std::string path = Path(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

// Runs a program and returns its standard output; empty when it fails.
inline std::string RunTool(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    return {};
  }
  return process.readAllStandardOutput().toStdString();
}

// The page count pdfinfo reports, -1 when the file is not a readable PDF.
inline int PdfPageCount(const std::string& pdf) {
  std::istringstream info(RunTool("pdfinfo", {QString::fromStdString(pdf)}));
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("Pages:", 0) == 0) return std::stoi(line.substr(6));
  }
  return -1;
}

// The text of the PDF's pages (pdftotext -layout), pages separated by form feeds.
inline std::vector<std::string> PdfPageTexts(const std::string& pdf) {
  std::string text = RunTool("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
  std::vector<std::string> pages;
  std::size_t start = 0;
  for (std::size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1) {
    pages.push_back(text.substr(start, ff - start));
  }
  return pages;
}

// A word of pdftotext -bbox: its page and box in points from the page's top-left corner.
struct TPdfWord {
  int Page = 0;
  double XMin = 0, YMin = 0, XMax = 0, YMax = 0;
  std::string Text;
};

inline std::vector<TPdfWord> PdfWords(const std::string& pdf) {
  std::string html = RunTool("pdftotext", {"-bbox", QString::fromStdString(pdf), "-"});
  std::vector<TPdfWord> words;
  int page = -1;
  std::size_t pos = 0;
  while (true) {
    const std::size_t pageAt = html.find("<page ", pos);
    const std::size_t wordAt = html.find("<word ", pos);
    if (wordAt == std::string::npos) break;
    if (pageAt != std::string::npos && pageAt < wordAt) {
      ++page;
      pos = pageAt + 6;
      continue;
    }
    auto attribute = [&](const char* name) {
      const std::size_t at = html.find(std::string(name) + "=\"", wordAt);
      return std::stod(html.substr(at + std::strlen(name) + 2));
    };
    TPdfWord word;
    word.Page = page;
    word.XMin = attribute("xMin");
    word.YMin = attribute("yMin");
    word.XMax = attribute("xMax");
    word.YMax = attribute("yMax");
    const std::size_t open = html.find('>', wordAt) + 1;
    const std::size_t close = html.find("</word>", open);
    word.Text = html.substr(open, close - open);
    words.push_back(word);
    pos = close;
  }
  return words;
}

}  // namespace bexlo::test
