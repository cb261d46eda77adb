#include "grid/state_routines.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>

#include "util/exceptions.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

TEST(StateRoutines, BreakProcessAsksThroughTheServices) {
  TScriptedUserInteraction ui;
  EXPECT_FALSE(BreakProcess(true));  // no Escape
  ui.AnswerBreak(true);
  EXPECT_TRUE(BreakProcess(false));
  ui.AnswerBreak(false);
  EXPECT_FALSE(BreakProcess(true));
  ui.AnswerBreak(true);
  try {
    BreakProcess(true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Operation is interrupt by user");
  }
}

TEST(StateRoutines, FileVersionComesFromTheEmbeddedNote) {
  // The core library carries the note of the version it was built as.
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&GetFileVersionStr), &info), 0);
  EXPECT_EQ(GetFileVersionStr(info.dli_fname), BEXLO_PROJECT_VERSION ".0");
  EXPECT_EQ(GetFileVersionStr("/bin/sh"), "");  // an ELF file without the note
  EXPECT_EQ(GetFileVersionStr("/no/such/file"), "");
  const std::string text = ::testing::TempDir() + "not_elf.txt";
  std::ofstream(text) << "\x7f" "ELF but not really";
  EXPECT_EQ(GetFileVersionStr(text), "");
}

}  // namespace
}  // namespace bexlo
