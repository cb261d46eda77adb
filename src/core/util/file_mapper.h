// TFileMapper: opens a file and maps it into memory, giving byte and 32-bit integer access by
// offset and a raw pointer to the mapped bytes. Setting FileName opens (or, with "", closes);
// every failure raises EFileMapperError with the mapper's own message and leaves it closed.
//
// How the classic properties map onto POSIX open(2), flock(2) and mmap(2):
//   FileAccess   faRead O_RDONLY, faWrite O_WRONLY, faReadWrite O_RDWR, faNone O_PATH (the file
//                is opened but grants neither reading nor writing, so it cannot be mapped).
//                Mapping needs read access: faWrite alone fails with "Can not make map".
//   FileCreation fcCreateNew O_CREAT|O_EXCL, fcCreateAlways O_CREAT|O_TRUNC, fcOpenExisting none,
//                fcOpenAlways O_CREAT, fcTruncateExisting O_TRUNC (needs write access, else
//                "Can not open file"). New files get mode 0666 less the umask.
//   FileShare    advisory flock, taken without waiting; a conflict is "Can not open file":
//                fsShareReadWrite no lock; fsShareRead and fsShareWrite a shared lock (others
//                may open the file sharing it, an exclusive opener is refused);
//                fsShareExclusive an exclusive lock. Only openers that lock see each other.
//   FileProtect  what the mapping may become: fpPageReadOnly read, fpPageReadWrite read and
//                write through to the file (needs faReadWrite), fpPageWriteCopy private copy.
//   FileMap      the view: fmMapRead PROT_READ; fmMapReadWrite PROT_READ|PROT_WRITE, MAP_SHARED
//                (needs fpPageReadWrite); fmMapCopy PROT_READ|PROT_WRITE, MAP_PRIVATE (writes
//                stay in memory). A view the protection does not allow fails with "File is
//                empty", the message of a failed view.
// Size: 64-bit. 0 (the default) maps the whole file. A larger size extends a file mapped
// read-write (fpPageReadWrite); for any other mapping a size beyond the end of the file, a
// negative size and an empty file fail with "Can not make map".
// Writing through PutByte/PutInt into a read-only view raises "File is mapped read-only".
// As with any memory map, a file shortened by another process while mapped is not protected
// against: reading past its new end faults.
#pragma once

#include <cstdint>
#include <string>

#include "util/exceptions.h"
#include "util/object.h"

namespace bexlo {

BEXLO_DECLARE_EXCEPTION(EFileMapperError, EInOutError);

enum class TFileAccess { faNone, faRead, faWrite, faReadWrite };
enum class TFileMap { fmMapReadWrite, fmMapRead, fmMapCopy };
enum class TFileProtect { fpPageReadOnly, fpPageReadWrite, fpPageWriteCopy };
enum class TFileShare { fsShareExclusive, fsShareRead, fsShareWrite, fsShareReadWrite };
enum class TFileCreation { fcCreateNew, fcCreateAlways, fcOpenExisting, fcOpenAlways, fcTruncateExisting };

class TFileMapper : public TComponent {
 public:
  explicit TFileMapper(TComponent* owner = nullptr);
  ~TFileMapper() override;

  std::string_view ClassName() const noexcept override { return "TFileMapper"; }

  const std::string& FileName() const noexcept { return file_name_; }
  // The same name again does nothing; otherwise closes when open, stores the name and opens
  // it when it is not empty.
  void SetFileName(const std::string& name);

  // Options read at the next open.
  TFileAccess FileAccess() const noexcept { return access_; }
  void SetFileAccess(TFileAccess v) noexcept { access_ = v; }
  TFileMap FileMap() const noexcept { return map_; }
  void SetFileMap(TFileMap v) noexcept { map_ = v; }
  TFileProtect FileProtect() const noexcept { return protect_; }
  void SetFileProtect(TFileProtect v) noexcept { protect_ = v; }
  TFileShare FileShare() const noexcept { return share_; }
  void SetFileShare(TFileShare v) noexcept { share_ = v; }
  TFileCreation FileCreation() const noexcept { return creation_; }
  void SetFileCreation(TFileCreation v) noexcept { creation_ = v; }

  // The mapped size in bytes while open; before opening, the size the next mapping will have
  // (0: the file's size). Setting it while open raises "Size of file cannot be established
  // after its opening". Closing resets it to 0.
  std::int64_t FileSize() const noexcept { return size_; }
  void SetFileSize(std::int64_t size);

  bool Opened() const noexcept { return opened_; }
  // Opens FileName again after a failure or Close (does nothing when already open).
  void Open();
  void Close() noexcept;

  // Pointer to the mapped byte at offset, 0 <= offset <= FileSize (the end pointer is allowed).
  char* GetBuffer(std::int64_t offset = 0) const;
  // Byte access, 0 <= index < FileSize.
  std::uint8_t GetByte(std::int64_t index) const;
  void PutByte(std::int64_t index, std::uint8_t value);
  // The view as an array of 32-bit integers (host byte order), 0 <= index < FileSize div 4.
  std::int32_t GetInt(std::int64_t index) const;
  void PutInt(std::int64_t index, std::int32_t value);

 private:
  void DoOpen();
  void CheckOpen() const;
  void CheckWritable() const;
  [[noreturn]] void Fail(const char* message);

  std::string file_name_;
  TFileAccess access_ = TFileAccess::faRead;
  TFileMap map_ = TFileMap::fmMapRead;
  TFileProtect protect_ = TFileProtect::fpPageReadOnly;
  TFileShare share_ = TFileShare::fsShareReadWrite;
  TFileCreation creation_ = TFileCreation::fcOpenExisting;

  int fd_ = -1;
  char* base_ = nullptr;
  std::int64_t size_ = 0;
  bool writable_ = false;
  bool opened_ = false;
};

}  // namespace bexlo
