// The registry of automation servers: each server is known by a program identifier
// ("Excel.Application") and a class identifier (a GUID), and brings a factory that starts a new
// instance. A started server may announce itself as the running instance of its class
// (RegisterActiveObject), which GetActiveOleObject then hands out instead of starting another.
//
// Program identifiers are compared ignoring ASCII case. The registry is process-wide and used from
// the user-interface thread only (no locking).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "automation/dispatch.h"

namespace bexlo {

struct TGUID {
  std::array<std::uint8_t, 16> bytes{};
  friend bool operator==(const TGUID&, const TGUID&) = default;
};

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hex, the classic registry form).
std::string GUIDToString(const TGUID& guid);
// Reads the form above (either case); EOleError "Invalid class string" when malformed.
TGUID StringToGUID(std::string_view text);

using TOleServerFactory = std::function<DispatchPtr()>;

// Makes a server known (a second registration of the same program id replaces the first).
void RegisterOleServer(std::string_view progId, const TGUID& classId, TOleServerFactory factory);
// Forgets the server and any running instance it registered.
void UnregisterOleServer(std::string_view progId);

// The class identifier of a registered program id; EOleError "Invalid class string" otherwise.
TGUID ProgIDToClassID(std::string_view progId);
// Starts a new instance of the server; EOleError "Invalid class string" for an unknown id, and
// "Operation unavailable" when the factory gives no object.
DispatchPtr CreateOleObject(std::string_view progId);
// The running instance of the server; EOleError "Operation unavailable" when none is running
// (or it has disconnected), "Invalid class string" for an unknown id.
DispatchPtr GetActiveOleObject(std::string_view progId);

// A server announces `object` as the running instance of its class, replacing an earlier one.
void RegisterActiveObject(const TGUID& classId, DispatchPtr object);
// The server withdraws its running instance (when it quits).
void RevokeActiveObject(const TGUID& classId);

}  // namespace bexlo
