#include "automation/ole_registry.h"

#include <cctype>
#include <vector>

#include "automation/office_servers.h"
#include "util/exceptions.h"

namespace bexlo {

namespace {

struct ServerEntry {
  std::string prog_id;  // as registered
  TGUID class_id;
  TOleServerFactory factory;
};

struct ActiveEntry {
  TGUID class_id;
  DispatchPtr object;
};

struct Registry {
  std::vector<ServerEntry> servers;
  std::vector<ActiveEntry> active;
};

// Created on first use, so that servers may register from their own static initialisers, and
// never destroyed, so that servers released at exit (by the server cache) may still revoke their
// running instances.
// The built-in office servers are known from the start.
Registry& TheRegistry() {
  static Registry* registry = [] {
    auto* r = new Registry;
    r->servers.push_back({kExcelProgId, ExcelClassId(), CreateExcelApplication});
    r->servers.push_back({kWordProgId, WordClassId(), CreateWordApplication});
    return r;
  }();
  return *registry;
}

bool SameAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

ServerEntry* FindServer(std::string_view progId) {
  for (auto& entry : TheRegistry().servers) {
    if (SameAscii(entry.prog_id, progId)) return &entry;
  }
  return nullptr;
}

ServerEntry& RequireServer(std::string_view progId) {
  ServerEntry* entry = FindServer(progId);
  if (!entry) OleCheck(CO_E_CLASSSTRING);
  return *entry;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Byte order of the text form: the first three groups are little-endian numbers in memory, as in
// the classic GUID layout; the text is what users see, so only the round trip matters here.
constexpr int kGroupBytes[] = {4, 2, 2, 2, 6};

}  // namespace

std::string GUIDToString(const TGUID& guid) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "{";
  std::size_t byte = 0;
  for (int group = 0; group < 5; ++group) {
    if (group > 0) out += '-';
    for (int i = 0; i < kGroupBytes[group]; ++i, ++byte) {
      out += kHex[guid.bytes[byte] >> 4];
      out += kHex[guid.bytes[byte] & 15];
    }
  }
  out += '}';
  return out;
}

TGUID StringToGUID(std::string_view text) {
  TGUID guid;
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') OleCheck(CO_E_CLASSSTRING);
  std::size_t pos = 1;
  std::size_t byte = 0;
  for (int group = 0; group < 5; ++group) {
    if (group > 0) {
      if (text[pos] != '-') OleCheck(CO_E_CLASSSTRING);
      ++pos;
    }
    for (int i = 0; i < kGroupBytes[group]; ++i, ++byte, pos += 2) {
      const int hi = HexDigit(text[pos]);
      const int lo = HexDigit(text[pos + 1]);
      if (hi < 0 || lo < 0) OleCheck(CO_E_CLASSSTRING);
      guid.bytes[byte] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
  }
  return guid;
}

void RegisterOleServer(std::string_view progId, const TGUID& classId, TOleServerFactory factory) {
  if (ServerEntry* entry = FindServer(progId)) {
    entry->class_id = classId;
    entry->factory = std::move(factory);
    return;
  }
  TheRegistry().servers.push_back({std::string(progId), classId, std::move(factory)});
}

void UnregisterOleServer(std::string_view progId) {
  auto& servers = TheRegistry().servers;
  for (auto it = servers.begin(); it != servers.end(); ++it) {
    if (SameAscii(it->prog_id, progId)) {
      RevokeActiveObject(it->class_id);
      servers.erase(it);
      return;
    }
  }
}

TGUID ProgIDToClassID(std::string_view progId) { return RequireServer(progId).class_id; }

DispatchPtr CreateOleObject(std::string_view progId) {
  // Copy the factory: starting a server may register or unregister servers.
  const TOleServerFactory factory = RequireServer(progId).factory;
  DispatchPtr object = factory ? factory() : DispatchPtr();
  if (!object) OleCheck(MK_E_UNAVAILABLE);
  return object;
}

DispatchPtr GetActiveOleObject(std::string_view progId) {
  const TGUID classId = RequireServer(progId).class_id;
  for (const auto& entry : TheRegistry().active) {
    if (entry.class_id == classId) {
      unsigned count = 0;
      if (entry.object && Succeeded(entry.object->GetTypeInfoCount(count))) return entry.object;
      break;
    }
  }
  OleCheck(MK_E_UNAVAILABLE);
  return {};
}

void RegisterActiveObject(const TGUID& classId, DispatchPtr object) {
  for (auto& entry : TheRegistry().active) {
    if (entry.class_id == classId) {
      entry.object = std::move(object);
      return;
    }
  }
  TheRegistry().active.push_back({classId, std::move(object)});
}

void RevokeActiveObject(const TGUID& classId) {
  auto& active = TheRegistry().active;
  for (auto it = active.begin(); it != active.end(); ++it) {
    if (it->class_id == classId) {
      // Move the reference out before erasing: releasing it may run the server's destructor,
      // which may come back here.
      DispatchPtr object = std::move(it->object);
      active.erase(it);
      return;
    }
  }
}

}  // namespace bexlo
