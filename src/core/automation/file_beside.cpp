#include "automation/file_beside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

[[noreturn]] void SaveFailed(const std::string& path, const std::string& reason) {
  throw EOleError(Format(msg::SOleSaveFailed, path, reason));
}

// A new empty file beside path: ".NAME.XXXXXX" in the same directory.
std::string CreateBeside(const std::string& path) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  if (target.filename().empty()) SaveFailed(path, "not a file name");
  const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) SaveFailed(path, std::strerror(errno));
  // mkstemp makes the file private; the document gets the permissions of any new file.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  return pattern;
}

// Flushes the file to disk and renames it over path; removes it on failure.
void Commit(const std::string& temporary, const std::string& path) {
  const int fd = ::open(temporary.c_str(), O_RDONLY);
  if (fd < 0 || ::fsync(fd) != 0) {
    const int error = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(temporary.c_str());
    SaveFailed(path, std::strerror(error));
  }
  ::close(fd);
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    SaveFailed(path, std::strerror(error));
  }
}

}  // namespace

void WriteFileBeside(const std::string& path, std::string_view data) {
  WriteFileBesideWith(path, [&](const std::string& temporary) -> std::string {
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd);
        return std::strerror(error);
      }
      done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) return std::strerror(errno);
    return {};
  });
}

void WriteFileBesideWith(const std::string& path, const std::function<std::string(const std::string&)>& write) {
  const std::string temporary = CreateBeside(path);
  std::string error;
  try {
    error = write(temporary);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (!error.empty()) {
    ::unlink(temporary.c_str());
    SaveFailed(path, error);
  }
  Commit(temporary, path);
}

}  // namespace bexlo
