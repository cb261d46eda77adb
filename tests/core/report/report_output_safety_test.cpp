// A run writes its output beside the target and puts it in place only when it succeeds: a write
// failure (an injected file-size limit, a full file system), an abort or an empty run never
// leaves a partial file under the output's name, and a reader that maps the earlier output
// keeps seeing it.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>

#include "run_test_support.h"

#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/file_mapper.h"

namespace bexlo::testing {

namespace {

namespace fs = std::filesystem;

constexpr char kEarlier[] = "yesterday's report\r\nwith its total 1234.50\r\n";

// Limits the size of any file this process writes (RLIMIT_FSIZE); a write past it fails with
// EFBIG instead of raising SIGXFSZ. Restored on destruction.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    saved_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, saved_handler_);
  }
  bool Ok() const { return ok_; }

 private:
  rlimit saved_{};
  void (*saved_handler_)(int) = SIG_DFL;
  bool ok_ = false;
};

}  // namespace

class ReportOutputSafetyTest : public ReportRunTest {
 protected:
  // A report of `records` host records, each printing a 60-character line.
  std::unique_ptr<TQoReport> Host(int records) {
    auto report = MakeReport(".DETAIL\n@N:-8 ---------------------------------------------------\n");
    TQoReport* r = report.get();
    auto n = std::make_shared<int>(0);
    report->OnSetNames = [r](TObject*) { r->AddVar("N")->SetNumber(0); };
    report->OnEndReport = [n, records](TObject*) { return *n >= records; };
    report->OnSetValues = [r, n](TObject*) { r->GetVarByName("N")->SetNumber(++*n); };
    return report;
  }
};

TEST_F(ReportOutputSafetyTest, AWriteFailureKeepsTheEarlierOutput) {
  WriteFile(Path("out.prn"), kEarlier);
  chmod(Path("out.prn").c_str(), 0640);
  auto report = Host(2000);  // about 130 KB of output
  report->Prepare();
  {
    TFileSizeLimit limit(32 * 1024);
    ASSERT_TRUE(limit.Ok());
    try {
      report->Execute();
      FAIL() << "the run succeeded past the file-size limit";
    } catch (const EInOutError& e) {
      // The message names the output, not the file written beside it.
      EXPECT_NE(std::string(e.what()).find(Path("out.prn") + ": "), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadFile(Path("out.prn")), kEarlier);
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});

  // The same run without the limit replaces the earlier output whole, keeping its permissions.
  report = Host(2000);
  const std::string out = Run(*report);
  EXPECT_EQ(out.size(), 2000u * 62u);
  EXPECT_EQ(out.substr(0, 10), "       1 -");
  struct stat st {};
  ASSERT_EQ(stat(Path("out.prn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});
}

TEST_F(ReportOutputSafetyTest, AFullFileSystemKeepsTheEarlierOutput) {
  // A 64 KB tmpfs holds the earlier output and fills up during the run.
  const std::string mountPoint = Path("small");
  fs::create_directories(mountPoint);
  if (mount("bexlo-test", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs (needs root or CAP_SYS_ADMIN): " << std::strerror(errno)
                 << "; the injected write failure above covers the same path";
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{mountPoint};
  const std::string target = mountPoint + "/daily.prn";
  WriteFile(target, kEarlier);
  auto report = Host(5000);  // about 310 KB
  report->PrintName = target;
  report->Prepare();
  EXPECT_THROW(report->Execute(), EInOutError);
  EXPECT_EQ(ReadFile(target), kEarlier);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(mountPoint)) names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"daily.prn"});
}

TEST_F(ReportOutputSafetyTest, AMappedEarlierOutputKeepsItsContentWhileTheRunReplacesIt) {
  WriteFile(Path("out.prn"), kEarlier);
  TFileMapper mapper;
  mapper.SetFileName(Path("out.prn"));
  const std::string before(static_cast<const char*>(mapper.GetBuffer(0)), static_cast<std::size_t>(mapper.FileSize()));
  auto report = Host(3);
  EXPECT_EQ(Run(*report).substr(0, 9), "       1 ");
  // The mapping still shows the earlier bytes; the name now holds the new output.
  EXPECT_EQ(std::string(static_cast<const char*>(mapper.GetBuffer(0)), static_cast<std::size_t>(mapper.FileSize())), before);
  EXPECT_EQ(before, kEarlier);
  EXPECT_EQ(ReadFile(Path("out.prn")).size(), 3u * 62u);
}

TEST_F(ReportOutputSafetyTest, AppendModeAddsToACopyAndKeepsTheEarlierFileOnFailure) {
  WriteFile(Path("out.prn"), kEarlier);
  auto report = MakeReport(".VARS\nFileAppendMode = TRUE\n.DETAIL\n@ID\n#IF ID = 3 THEN Abort('Stop')\n");
  Exec("create table T (ID integer); insert into T values (1); insert into T values (2); insert into T values (3)");
  auto q = Query("select ID from T order by ID");
  q->Open();
  report->SetDataSet(q.get());
  report->Prepare();
  EXPECT_THROW(report->Execute(), ECustomReportError);
  EXPECT_EQ(ReadFile(Path("out.prn")), kEarlier);

  q->Close();
  q = Query("select ID from T where ID < 3 order by ID");
  q->Open();
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), std::string(kEarlier) + Crlf({"1", "2"}));
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});
}

TEST_F(ReportOutputSafetyTest, AnEmptyRunRemovesTheEarlierOutputAndAFailedRenameKeepsTheFirstName) {
  // A run that prints no record leaves no output, earlier or new.
  WriteFile(Path("out.prn"), kEarlier);
  EXPECT_EQ(Run(*Host(0)), "");
  EXPECT_FALSE(Exists(Path("out.prn")));
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});

  // A FileName in a directory that does not exist: the output stays under its first name.
  auto report = MakeReport(".VARS\nOneRecord = TRUE\n.DETAIL\n#FileName = 'missing/dir/x.prn'\nx\n");
  EXPECT_EQ(Run(*report), "x\r\n");
  EXPECT_EQ(report->PrintName, Path("out.prn"));
  EXPECT_EQ(WorkFilesLeft(), std::vector<std::string>{});
}

TEST_F(ReportOutputSafetyTest, ADeviceIsWrittenInPlace) {
  auto report = Host(2);
  report->PrintName = "/dev/null";
  report->Prepare();
  report->Execute();
  EXPECT_EQ(report->PrintName, "/dev/null");
  struct stat st {};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));
}

}  // namespace bexlo::testing
