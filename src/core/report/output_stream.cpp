#include "report/output_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>
#include <vector>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"

namespace bexlo {

TOutputStream::TOutputStream(const std::string& path, bool append) : path_(path), target_(path) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) throw EInOutError(Format(msg::SQoOutputCreate, path, std::strerror(errno)));
  if (append) {
    struct stat st {};
    if (::fstat(fd_, &st) == 0) written_ = static_cast<std::uint64_t>(st.st_size);
  }
  buffer_.reserve(kBufferSize);
}

TOutputStream::~TOutputStream() {
  // What was written beside the target and never committed is not the report.
  if (beside_) {
    Discard();
    return;
  }
  if (fd_ >= 0) {
    try {
      Flush();
    } catch (...) {
      // The destructor only runs on the error path, where the first error is the one reported.
    }
    ::close(fd_);
  }
}

void TOutputStream::Fail(int error) const {
  throw EInOutError(Format(msg::SQoOutputWrite, target_, std::strerror(error)));
}

namespace {

// A name for a new file beside `target`: ".NAME.XXXXXX~" in the same directory.
std::string BesideName(const std::string& target, std::uint64_t salt) {
  const std::size_t slash = target.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 6; ++i, salt /= 36) suffix += kDigits[salt % 36];
  return dir + "." + name + "." + suffix + "~";
}

}  // namespace

std::unique_ptr<TOutputStream> TOutputStream::CreateBeside(const std::string& target, bool append) {
  std::string resolved = target;
  struct stat st {};
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) return std::make_unique<TOutputStream>(target, append);
  // A symbolic link keeps pointing at the report: the file it names is the one replaced.
  if (exists) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::canonical(target, error);
    if (!error) resolved = real.string();
  }
  std::unique_ptr<TOutputStream> stream(new TOutputStream());
  stream->target_ = target;
  stream->beside_ = true;
  std::random_device random;
  std::uint64_t salt = (std::uint64_t{random()} << 32) ^ random();
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    stream->path_ = BesideName(resolved, salt + static_cast<std::uint64_t>(attempt) * 7919);
    // 0666 lets the user's umask decide, as for any new file.
    fd = ::open(stream->path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    const int error = errno;
    // A writable file in a directory that takes no new file is still written, in place.
    if (exists && ::access(target.c_str(), W_OK) == 0 && (error == EACCES || error == EPERM))
      return std::make_unique<TOutputStream>(target, append);
    throw EInOutError(Format(msg::SQoOutputCreate, target, std::strerror(error)));
  }
  stream->fd_ = fd;
  stream->buffer_.reserve(kBufferSize);
  // The replacement keeps the permissions of the file it replaces.
  if (exists) (void)::fchmod(fd, st.st_mode & 07777);
  if (append && exists) {
    const int in = ::open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
      const int error = errno;
      stream->Discard();
      throw EInOutError(Format(msg::SQoOutputRead, target, std::strerror(error)));
    }
    struct Closer {
      int fd;
      ~Closer() { ::close(fd); }
    } closer{in};
    std::vector<char> chunk(kBufferSize);
    for (;;) {
      const ssize_t n = ::read(in, chunk.data(), chunk.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const int error = errno;
        stream->Discard();
        throw EInOutError(Format(msg::SQoOutputRead, target, std::strerror(error)));
      }
      if (n == 0) break;
      try {
        stream->WriteAll(chunk.data(), static_cast<std::size_t>(n));
      } catch (...) {
        stream->Discard();
        throw;
      }
    }
  }
  return stream;
}

void TOutputStream::Commit(const std::string& target, const std::string& fallback) {
  try {
    Close(true);
  } catch (...) {
    Discard();
    throw;
  }
  if (!beside_) return;
  std::string placed = target;
  if (::rename(path_.c_str(), target.c_str()) != 0) {
    const int error = errno;
    if (fallback.empty() || ::rename(path_.c_str(), fallback.c_str()) != 0) {
      ::unlink(path_.c_str());
      beside_ = false;
      throw EInOutError(Format(msg::SQoOutputRename, target_, target, std::strerror(error)));
    }
    placed = fallback;
  }
  path_ = placed;
  beside_ = false;
}

void TOutputStream::Discard() noexcept {
  if (fd_ >= 0) {
    buffer_.clear();
    ::close(fd_);
    fd_ = -1;
  }
  if (beside_) {
    ::unlink(path_.c_str());
    beside_ = false;
  }
}

void TOutputStream::WriteAll(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (n == 0) Fail(ENOSPC);
    data += n;
    size -= static_cast<std::size_t>(n);
    written_ += static_cast<std::uint64_t>(n);
  }
}

void TOutputStream::Flush() {
  if (buffer_.empty()) return;
  if (fd_ < 0) Fail(EBADF);
  // The buffer is emptied first, so that a failing flush is not repeated by the destructor.
  std::string pending;
  pending.swap(buffer_);
  buffer_.reserve(kBufferSize);
  WriteAll(pending.data(), pending.size());
}

void TOutputStream::WriteLarge(std::string_view bytes) {
  Flush();
  if (bytes.size() >= kBufferSize)
    WriteAll(bytes.data(), bytes.size());
  else
    buffer_.append(bytes);
}

void TOutputStream::Close(bool sync) {
  if (fd_ < 0) return;
  Flush();
  const int fd = fd_;
  fd_ = -1;
  const int synced = sync ? ::fsync(fd) : 0;
  const int syncError = errno;
  if (::close(fd) != 0) Fail(errno);
  // fsync is refused by some special files (pipes, /dev/null); only real failures count.
  if (synced != 0 && syncError != EINVAL && syncError != EROFS) Fail(syncError);
}

// Reads a file's lines as the output readers split them: CR ends a line, an LF right after a CR
// belongs to no line, a final CR adds no empty line.
void ForEachOutputLine(const std::string& path, const std::function<void(std::string_view)>& onLine) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EInOutError(Format(msg::SQoOutputRead, path, std::strerror(errno)));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  std::vector<char> buffer(std::size_t{1} << 16);
  std::string line;
  bool skipLF = false;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EInOutError(Format(msg::SQoOutputRead, path, std::strerror(errno)));
    }
    if (n == 0) break;
    const char* p = buffer.data();
    const char* end = p + n;
    while (p < end) {
      if (skipLF) {
        skipLF = false;
        if (*p == '\n') {
          ++p;
          continue;
        }
      }
      const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(end - p)));
      if (!cr) {
        line.append(p, end);
        break;
      }
      line.append(p, cr);
      onLine(line);
      line.clear();
      p = cr + 1;
      skipLF = true;
    }
  }
  if (!line.empty()) onLine(line);
}

bool LoadOutputLines(const std::string& path, TStrings& lines) {
  lines.Clear();
  if (!FileExists(path)) return false;
  lines.BeginUpdate();
  try {
    ForEachOutputLine(path, [&](std::string_view line) { lines.Add(std::string(line)); });
  } catch (...) {
    lines.EndUpdate();
    throw;
  }
  lines.EndUpdate();
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ChangeFileExt(const std::string& path, std::string_view ext) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  std::string result = hasExt ? path.substr(0, dot) : path;
  result += ext;
  return result;
}

}  // namespace bexlo
