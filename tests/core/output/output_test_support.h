// Shared set-up of the output tests: a default printer (A4 portrait, 300 dpi, 5 mm margins),
// and a temporary directory for output files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "output/output_format.h"
#include "output/printer_model.h"
#include "util/settings.h"

namespace bexlo::test {

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PrinterDPI = 0;
    Printer() = TPrinterModel();
    dir_ = std::filesystem::temp_directory_path() /
           ("bexlo_output_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    PrinterDPI = 0;
    Printer() = TPrinterModel();
  }

  // Writes `bytes` to a file of the temporary directory and returns its path.
  std::string WriteFile(const std::string& name, std::string_view bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  std::filesystem::path dir_;
};

}  // namespace bexlo::test
