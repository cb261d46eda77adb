#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "output/output_line_stream.h"
#include "output_test_support.h"

namespace bexlo {
namespace {

using Lines = std::vector<std::pair<std::int64_t, std::string>>;

Lines Split(std::string_view data) {
  Lines lines;
  SplitOutputLines(data, [&](std::size_t start, std::size_t length) {
    lines.emplace_back(static_cast<std::int64_t>(start), std::string(data.substr(start, length)));
  });
  return lines;
}

Lines Stream(int fd, std::string_view data, std::size_t capacity) {
  Lines lines;
  StreamOutputLines(fd, data, [&](std::int64_t start, std::string_view text) {
    lines.emplace_back(start, std::string(text));
  }, capacity);
  return lines;
}

using LineStreamTest = test::OutputTest;

// Buffer refills, CR LF pairs split across refills and lines longer than the buffer must give
// exactly the lines of the mapped view.
TEST_F(LineStreamTest, MatchesTheSplitOfTheMappedView) {
  std::mt19937 random(7);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\\', ' '};
  std::string path = WriteFile("stream.prn", "");
  for (int round = 0; round < 200; ++round) {
    std::string data;
    const int length = static_cast<int>(random() % 60);
    for (int i = 0; i < length; ++i) data += alphabet[random() % sizeof(alphabet)];
    WriteFile("stream.prn", data);
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (std::size_t capacity : {1u, 2u, 3u, 5u, 16u, 4096u}) {
      ASSERT_EQ(Stream(fd, data, capacity), Split(data))
          << "capacity " << capacity << " data " << testing::PrintToString(data);
    }
    ::close(fd);
  }
}

TEST_F(LineStreamTest, ReadFailureFallsBackToTheMappedView) {
  const std::string data = "one\r\ntwo\r\nthree";
  EXPECT_EQ(Stream(-1, data, 4), Split(data));
}

}  // namespace
}  // namespace bexlo
