#include "util/file_mapper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace bexlo {
namespace {

class FileMapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("bexlo_mapper_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const char* name, const std::string& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // Runs f and returns the message of the EFileMapperError it raises ("" when none).
  template <class F>
  static std::string ErrorOf(F f) {
    try {
      f();
    } catch (const EFileMapperError& e) {
      return e.what();
    }
    return "";
  }

  std::filesystem::path dir_;
};

TEST_F(FileMapperTest, ReadsBytesAndIntegersWithinRange) {
  const std::string path = Write("a.prn", std::string("\x01\x00\x00\x00\x02\x00\x00\x00xyz", 11));
  TFileMapper mapper;
  EXPECT_EQ(ErrorOf([&] { mapper.GetByte(0); }), "File is not opend");
  mapper.SetFileName(path);
  ASSERT_TRUE(mapper.Opened());
  EXPECT_EQ(mapper.FileSize(), 11);
  EXPECT_EQ(mapper.GetInt(0), 1);
  EXPECT_EQ(mapper.GetInt(1), 2);
  EXPECT_EQ(mapper.GetByte(10), 'z');
  EXPECT_EQ(std::string(mapper.GetBuffer(8), 3), "xyz");
  EXPECT_EQ(mapper.GetBuffer(11), mapper.GetBuffer(0) + 11);  // the end pointer is allowed
  EXPECT_EQ(ErrorOf([&] { mapper.GetBuffer(12); }), "Index outside of range");
  EXPECT_EQ(ErrorOf([&] { mapper.GetByte(11); }), "Index outside of range");
  EXPECT_EQ(ErrorOf([&] { mapper.GetByte(-1); }), "Index outside of range");
  EXPECT_EQ(ErrorOf([&] { mapper.GetInt(2); }), "Index outside of range");  // 11 div 4 = 2 integers
  EXPECT_TRUE(mapper.Opened());  // access errors do not close
}

TEST_F(FileMapperTest, FileNameOpensOnceAndEmptyNameCloses) {
  const std::string path = Write("a.prn", "first");
  TFileMapper mapper;
  mapper.SetFileName(path);
  // Replace the file under the same name: setting the same name again must keep the old map.
  std::filesystem::remove(path);
  Write("a.prn", "second!");
  mapper.SetFileName(path);
  EXPECT_EQ(std::string(mapper.GetBuffer(), mapper.FileSize()), "first");
  mapper.SetFileName("");
  EXPECT_FALSE(mapper.Opened());
  EXPECT_EQ(mapper.FileSize(), 0);
  mapper.SetFileName(path);
  EXPECT_EQ(std::string(mapper.GetBuffer(), mapper.FileSize()), "second!");
}

TEST_F(FileMapperTest, OpenFailuresCarryTheirMessageAndLeaveTheMapperClosed) {
  TFileMapper mapper;
  EXPECT_EQ(ErrorOf([&] { mapper.SetFileName((dir_ / "missing").string()); }), "Can not open file");
  EXPECT_FALSE(mapper.Opened());
  EXPECT_EQ(ErrorOf([&] { mapper.SetFileName(Write("empty", "")); }), "Can not make map");
  EXPECT_FALSE(mapper.Opened());
  EXPECT_EQ(ErrorOf([&] { mapper.GetByte(0); }), "File is not opend");

  const std::string path = Write("data", "0123456789");
  mapper.SetFileAccess(TFileAccess::faWrite);  // a map needs read access
  EXPECT_EQ(ErrorOf([&] { mapper.SetFileName(path); }), "Can not make map");
  mapper.SetFileAccess(TFileAccess::faRead);
  mapper.SetFileMap(TFileMap::fmMapReadWrite);  // a writable view of a read-only mapping
  EXPECT_EQ(ErrorOf([&] { mapper.Open(); }), "File is empty");
  EXPECT_FALSE(mapper.Opened());
  mapper.SetFileMap(TFileMap::fmMapRead);
  mapper.SetFileSize(11);  // past the end of a file mapped read-only
  EXPECT_EQ(ErrorOf([&] { mapper.Open(); }), "Can not make map");
  EXPECT_EQ(mapper.FileSize(), 0);  // the failed open closed the mapper and forgot the size
  mapper.SetFileCreation(TFileCreation::fcCreateNew);
  EXPECT_EQ(ErrorOf([&] { mapper.Open(); }), "Can not open file");
  mapper.SetFileCreation(TFileCreation::fcTruncateExisting);  // truncating needs write access
  EXPECT_EQ(ErrorOf([&] { mapper.Open(); }), "Can not open file");
  EXPECT_EQ(Read(path), "0123456789");

  mapper.SetFileCreation(TFileCreation::fcOpenExisting);
  mapper.Open();  // after failures the same name can be opened again
  EXPECT_TRUE(mapper.Opened());
  EXPECT_EQ(ErrorOf([&] { mapper.SetFileSize(4); }), "Size of file cannot be established after its opening");
  EXPECT_TRUE(mapper.Opened());
  EXPECT_EQ(mapper.FileSize(), 10);
}

TEST_F(FileMapperTest, ADirectoryIsNamedAsSuch) {
  TFileMapper mapper;
  const std::string dir = dir_.string();
  EXPECT_EQ(ErrorOf([&] { mapper.SetFileName(dir); }), "Can not map a directory: " + dir);
  EXPECT_FALSE(mapper.Opened());
}

TEST_F(FileMapperTest, WritesGoWhereTheViewSays) {
  const std::string path = Write("data", "abcdefgh");
  {
    TFileMapper reader;
    reader.SetFileName(path);
    EXPECT_EQ(ErrorOf([&] { reader.PutByte(0, 'X'); }), "File is mapped read-only");  // no crash
  }
  {
    TFileMapper copy;  // copy-on-write: writes stay in memory
    copy.SetFileMap(TFileMap::fmMapCopy);
    copy.SetFileName(path);
    copy.PutByte(0, 'X');
    EXPECT_EQ(copy.GetByte(0), 'X');
  }
  EXPECT_EQ(Read(path), "abcdefgh");
  {
    TFileMapper writer;  // read-write through to the file, extended to the size asked for
    writer.SetFileAccess(TFileAccess::faReadWrite);
    writer.SetFileProtect(TFileProtect::fpPageReadWrite);
    writer.SetFileMap(TFileMap::fmMapReadWrite);
    writer.SetFileSize(12);
    writer.SetFileName(path);
    EXPECT_EQ(writer.FileSize(), 12);
    writer.PutByte(0, 'X');
    writer.PutInt(2, 0x34333231);
  }
  EXPECT_EQ(Read(path), "Xbcdefgh1234");
}

TEST_F(FileMapperTest, ExclusiveShareKeepsOtherLockingOpenersOut) {
  const std::string path = Write("data", "shared");
  TFileMapper first, second, third;
  first.SetFileShare(TFileShare::fsShareExclusive);
  first.SetFileName(path);
  second.SetFileShare(TFileShare::fsShareRead);
  EXPECT_EQ(ErrorOf([&] { second.SetFileName(path); }), "Can not open file");
  third.SetFileName(path);  // the default share mode takes no lock
  EXPECT_TRUE(third.Opened());
  first.SetFileName("");
  second.Open();
  EXPECT_TRUE(second.Opened());
}

TEST_F(FileMapperTest, MapsFilesPastTwoGigabytes) {
  const std::string path = Write("big", "");
  const std::int64_t size = (std::int64_t{3} << 30) + 5;
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));  // sparse: no disk used
  TFileMapper mapper;
  mapper.SetFileName(path);
  EXPECT_EQ(mapper.FileSize(), size);
  EXPECT_EQ(mapper.GetByte(size - 1), 0);
  EXPECT_EQ(mapper.GetInt(size / 4 - 1), 0);
  EXPECT_EQ(ErrorOf([&] { mapper.GetByte(size); }), "Index outside of range");
}

}  // namespace
}  // namespace bexlo
