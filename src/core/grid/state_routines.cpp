#include "grid/state_routines.h"

#include <elf.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/ui_services.h"

#ifndef BEXLO_VERSION_MAJOR
#define BEXLO_VERSION_MAJOR 0
#define BEXLO_VERSION_MINOR 0
#define BEXLO_VERSION_PATCH 0
#endif

namespace bexlo {

namespace {

constexpr std::uint32_t kNoteType = 1;
constexpr char kNoteOwner[] = "Bexlo";  // 6 bytes with its zero, padded to 8

struct VersionNote {
  std::uint32_t nameSize;
  std::uint32_t descSize;
  std::uint32_t type;
  char name[8];
  std::uint32_t version[4];
};

[[gnu::used, gnu::section(".note.bexlo.version"), gnu::aligned(4)]]
const VersionNote kVersionNote = {sizeof kNoteOwner, 16, kNoteType, "Bexlo",
                                  {BEXLO_VERSION_MAJOR, BEXLO_VERSION_MINOR, BEXLO_VERSION_PATCH, 0}};

template <typename T>
bool ReadAt(const std::vector<char>& file, std::uint64_t offset, T& out) {
  if (offset > file.size() || file.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, file.data() + offset, sizeof(T));
  return true;
}

std::uint64_t Align4(std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; }

// Finds the version in the notes of one SHT_NOTE section.
bool VersionInNotes(const std::vector<char>& file, std::uint64_t offset, std::uint64_t size,
                    std::uint32_t version[4]) {
  if (offset > file.size() || size > file.size() - offset) return false;
  const std::uint64_t end = offset + size;
  std::uint64_t pos = offset;
  while (end - pos >= 12) {
    std::uint32_t header[3];
    if (!ReadAt(file, pos, header)) return false;
    const std::uint64_t name = pos + 12;
    const std::uint64_t desc = name + Align4(header[0]);
    const std::uint64_t next = desc + Align4(header[1]);
    if (next > end || next <= pos) return false;
    if (header[0] == sizeof kNoteOwner && header[2] == kNoteType && header[1] == 16 &&
        std::memcmp(file.data() + name, kNoteOwner, sizeof kNoteOwner) == 0) {
      std::memcpy(version, file.data() + desc, 16);
      return true;
    }
    pos = next;
  }
  return false;
}

template <typename Ehdr, typename Shdr>
bool FindVersion(const std::vector<char>& file, std::uint32_t version[4]) {
  Ehdr eh;
  if (!ReadAt(file, 0, eh) || eh.e_shentsize != sizeof(Shdr)) return false;
  for (unsigned i = 0; i < eh.e_shnum; ++i) {
    Shdr sh;
    if (!ReadAt(file, eh.e_shoff + std::uint64_t{i} * sizeof(Shdr), sh)) return false;
    if (sh.sh_type == SHT_NOTE && VersionInNotes(file, sh.sh_offset, sh.sh_size, version)) return true;
  }
  return false;
}

}  // namespace

bool BreakProcess(bool raiseError) {
  const bool stop = UserInteraction().BreakRequested();
  if (stop && raiseError) throw Exception(msg::SQoInterruptByUser);
  return stop;
}

std::string GetFileVersionStr(const std::string& fileName) {
  (void)kVersionNote;
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return {};
  std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < EI_NIDENT || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) return {};
  // Only files of this machine's byte order: the note is read as it was written.
  const bool little = std::endian::native == std::endian::little;
  if (file[EI_DATA] != (little ? ELFDATA2LSB : ELFDATA2MSB)) return {};
  std::uint32_t version[4] = {};
  const bool found = file[EI_CLASS] == ELFCLASS64 ? FindVersion<Elf64_Ehdr, Elf64_Shdr>(file, version)
                     : file[EI_CLASS] == ELFCLASS32 ? FindVersion<Elf32_Ehdr, Elf32_Shdr>(file, version)
                                                    : false;
  if (!found || (version[0] | version[1] | version[2] | version[3]) == 0) return {};
  return Format("%d.%d.%d.%d", static_cast<int>(version[0]), static_cast<int>(version[1]),
                static_cast<int>(version[2]), static_cast<int>(version[3]));
}

}  // namespace bexlo
