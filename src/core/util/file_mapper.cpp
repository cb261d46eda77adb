#include "util/file_mapper.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

#ifdef O_PATH
constexpr int kNoAccess = O_PATH;
#else
constexpr int kNoAccess = O_RDONLY;
#endif

bool CanRead(TFileAccess a) { return a == TFileAccess::faRead || a == TFileAccess::faReadWrite; }
bool CanWrite(TFileAccess a) { return a == TFileAccess::faWrite || a == TFileAccess::faReadWrite; }

int AccessFlags(TFileAccess access) {
  switch (access) {
    case TFileAccess::faNone: return kNoAccess;
    case TFileAccess::faRead: return O_RDONLY;
    case TFileAccess::faWrite: return O_WRONLY;
    case TFileAccess::faReadWrite: return O_RDWR;
  }
  return O_RDONLY;
}

int CreationFlags(TFileCreation creation) {
  switch (creation) {
    case TFileCreation::fcCreateNew: return O_CREAT | O_EXCL;
    case TFileCreation::fcCreateAlways: return O_CREAT | O_TRUNC;
    case TFileCreation::fcOpenExisting: return 0;
    case TFileCreation::fcOpenAlways: return O_CREAT;
    case TFileCreation::fcTruncateExisting: return O_TRUNC;
  }
  return 0;
}

// Whether the mapping protection is possible with the file's access.
bool ProtectionAllowed(TFileProtect protect, TFileAccess access) {
  switch (protect) {
    case TFileProtect::fpPageReadOnly:
    case TFileProtect::fpPageWriteCopy: return CanRead(access);
    case TFileProtect::fpPageReadWrite: return access == TFileAccess::faReadWrite;
  }
  return false;
}

}  // namespace

TFileMapper::TFileMapper(TComponent* owner) : TComponent(owner) {}

TFileMapper::~TFileMapper() { Close(); }

void TFileMapper::SetFileName(const std::string& name) {
  if (name == file_name_) return;
  if (opened_) Close();
  file_name_ = name;
  if (!file_name_.empty()) DoOpen();
}

void TFileMapper::SetFileSize(std::int64_t size) {
  if (opened_) throw EFileMapperError(msg::SFileMapSizeError);
  size_ = size;
}

void TFileMapper::Open() {
  if (opened_) return;
  if (file_name_.empty()) Fail(msg::SFileMapOpenError);
  DoOpen();
}

void TFileMapper::Close() noexcept {
  if (base_ != nullptr) munmap(base_, static_cast<std::size_t>(size_));
  if (fd_ >= 0) ::close(fd_);  // also releases the share lock
  fd_ = -1;
  base_ = nullptr;
  size_ = 0;
  writable_ = false;
  opened_ = false;
}

void TFileMapper::Fail(const char* message) {
  Close();
  throw EFileMapperError(message);
}

void TFileMapper::DoOpen() {
  // Opening the file.
  if (creation_ == TFileCreation::fcTruncateExisting && !CanWrite(access_)) Fail(msg::SFileMapOpenError);
  fd_ = ::open(file_name_.c_str(), AccessFlags(access_) | CreationFlags(creation_) | O_CLOEXEC, 0666);
  if (fd_ < 0) Fail(msg::SFileMapOpenError);
  if (share_ != TFileShare::fsShareReadWrite && access_ != TFileAccess::faNone) {
    const int lock = share_ == TFileShare::fsShareExclusive ? LOCK_EX : LOCK_SH;
    if (flock(fd_, lock | LOCK_NB) != 0) Fail(msg::SFileMapOpenError);
  }
  struct stat info;
  if (fstat(fd_, &info) != 0) Fail(msg::SFileMapOpenError);
  // A directory opens like a file but has no bytes to map.
  if (S_ISDIR(info.st_mode)) {
    const std::string message = Format(msg::SFileMapDirectory, file_name_);
    Fail(message.c_str());
  }

  // The mapping: its size and what it may become.
  const std::int64_t fileSize = info.st_size;
  const std::int64_t size = size_ == 0 ? fileSize : size_;
  if (size <= 0 || !ProtectionAllowed(protect_, access_)) Fail(msg::SFileMapMapError);
  if (size > fileSize) {
    if (protect_ != TFileProtect::fpPageReadWrite || ftruncate(fd_, size) != 0) Fail(msg::SFileMapMapError);
  }

  // The view.
  int prot = PROT_READ;
  int flags = MAP_SHARED;
  switch (map_) {
    case TFileMap::fmMapRead: break;
    case TFileMap::fmMapReadWrite:
      if (protect_ != TFileProtect::fpPageReadWrite) Fail(msg::SFileMapViewError);
      prot |= PROT_WRITE;
      break;
    case TFileMap::fmMapCopy:
      prot |= PROT_WRITE;
      flags = MAP_PRIVATE;
      break;
  }
  void* base = mmap(nullptr, static_cast<std::size_t>(size), prot, flags, fd_, 0);
  if (base == MAP_FAILED) Fail(msg::SFileMapViewError);
  base_ = static_cast<char*>(base);
  size_ = size;
  writable_ = (prot & PROT_WRITE) != 0;
  opened_ = true;
}

void TFileMapper::CheckOpen() const {
  if (!opened_) throw EFileMapperError(msg::SFileMapNotOpened);
}

void TFileMapper::CheckWritable() const {
  if (!writable_) throw EFileMapperError(msg::SFileMapReadOnly);
}

char* TFileMapper::GetBuffer(std::int64_t offset) const {
  CheckOpen();
  if (offset < 0 || offset > size_) throw EFileMapperError(msg::SFileMapIndexError);
  return base_ + offset;
}

std::uint8_t TFileMapper::GetByte(std::int64_t index) const {
  CheckOpen();
  if (index < 0 || index >= size_) throw EFileMapperError(msg::SFileMapIndexError);
  return static_cast<std::uint8_t>(base_[index]);
}

void TFileMapper::PutByte(std::int64_t index, std::uint8_t value) {
  CheckOpen();
  if (index < 0 || index >= size_) throw EFileMapperError(msg::SFileMapIndexError);
  CheckWritable();
  base_[index] = static_cast<char>(value);
}

std::int32_t TFileMapper::GetInt(std::int64_t index) const {
  CheckOpen();
  if (index < 0 || index >= size_ / 4) throw EFileMapperError(msg::SFileMapIndexError);
  std::int32_t value;
  std::memcpy(&value, base_ + index * 4, sizeof value);
  return value;
}

void TFileMapper::PutInt(std::int64_t index, std::int32_t value) {
  CheckOpen();
  if (index < 0 || index >= size_ / 4) throw EFileMapperError(msg::SFileMapIndexError);
  CheckWritable();
  std::memcpy(base_ + index * 4, &value, sizeof value);
}

}  // namespace bexlo
