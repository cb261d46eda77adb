// TOutputStream: the report run's output file. Bytes go through one buffer and reach the file
// in large writes; every failure (a path that cannot be created, a full disk, a failing close)
// raises EInOutError naming the file and the system's reason, so that a run never reports
// success over a lost or partial output.
//
// Written beside its target (CreateBeside), the stream fills a new hidden file in the target's
// directory; Commit renames it over the target in one step, Discard (or destruction without
// Commit) removes it. Until Commit the target keeps its earlier content, and a reader that has
// the earlier file open or mapped keeps seeing it even afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace bexlo {

class TStrings;

class TOutputStream {
 public:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 16;

  // Creates (truncating) or, with append, opens the file for writing at its end.
  TOutputStream(const std::string& path, bool append);
  // A stream for `target` that writes beside it (see above); with append, it starts with a copy
  // of the target's bytes. A target that is not a regular file (a device, a pipe), or an existing
  // writable file in a directory where no new file can be made, is written directly instead.
  static std::unique_ptr<TOutputStream> CreateBeside(const std::string& target, bool append);
  // Closes without raising (an error at this point is lost; call Close to see it).
  ~TOutputStream();
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;

  void Write(std::string_view bytes) {
    if (bytes.size() <= kBufferSize - buffer_.size()) {
      buffer_.append(bytes);
      return;
    }
    WriteLarge(bytes);
  }
  void Write(char c) {
    if (buffer_.size() == kBufferSize) Flush();
    buffer_.push_back(c);
  }
  // Writes the buffer to the file.
  void Flush();
  // Flushes and closes; with sync, forces the data to the disk first (a file about to replace
  // another). Raises on any failure.
  void Close(bool sync = false);
  // Closes (forcing the data to the disk) and puts the file in place as `target`, replacing a
  // file of that name; when that rename fails and a fallback is given, as `fallback` instead.
  // Path() then names the file. A direct stream is only closed (it stays where it is). On
  // failure the written file is removed and the targets keep their earlier content.
  void Commit(const std::string& target, const std::string& fallback = {});
  // Closes without raising and removes what was written beside the target. A direct stream
  // is only closed (its file is the target itself).
  void Discard() noexcept;
  // Size of the file including what is still buffered.
  std::uint64_t Size() const noexcept { return written_ + buffer_.size(); }
  // The file the bytes go to (beside the target, or the target itself).
  const std::string& Path() const noexcept { return path_; }
  // The file the stream is for, named in error messages.
  const std::string& Target() const noexcept { return target_; }
  bool WritesBeside() const noexcept { return beside_; }

 private:
  TOutputStream() = default;
  void WriteLarge(std::string_view bytes);
  void WriteAll(const char* data, std::size_t size);
  [[noreturn]] void Fail(int error) const;

  std::string path_;
  std::string target_;
  bool beside_ = false;
  int fd_ = -1;
  std::uint64_t written_ = 0;
  std::string buffer_;
};

// Calls onLine for every line of an output file, split as the output readers split them: CR ends
// a line, an LF right after a CR belongs to no line, a final CR adds no empty line. Raises
// EInOutError when the file cannot be read.
void ForEachOutputLine(const std::string& path, const std::function<void(std::string_view)>& onLine);
// Replaces `lines` by the lines of an output file; false (and no lines) when it does not exist.
bool LoadOutputLines(const std::string& path, TStrings& lines);

// Path helpers shared by the run and its post-passes.
bool FileExists(const std::string& path);
// The path with its extension (the part from the last "." of the file name) replaced by ext
// (which includes its dot); appended when the name has none.
std::string ChangeFileExt(const std::string& path, std::string_view ext);

}  // namespace bexlo
