// The registry routines over QSettings. The current user's registry is one INI file in the
// user's configuration directory (QSettings' user scope, organisation "Bexlo Software",
// application "registry"). A key path such as "Software\Bexlo Software" (segments separated by
// "\" or "/") becomes nested groups; a value name becomes a key inside the innermost group (the
// unnamed default value is stored as "(Default)"). Values are strings.
//
// Failures are silent, as the routines have always been: a write that cannot be made is lost, a
// read that fails gives an empty value. Tests redirect the store with QSettings::setPath for the
// INI format and user scope (or XDG_CONFIG_HOME) before the first call.
#pragma once

#include <string>

namespace bexlo {

// The library's own key under the current user.
inline constexpr char kCompsRegKey[] = "Software\\Bexlo Software";

// Opens or creates `key` and sets the string value `name` to `value`.
void CreateRegKey(const std::string& key, const std::string& name, const std::string& value);
// value := the string value `name` of `key`, cut at its first zero character; empty when the
// key or value is missing, not a string, or cannot be read.
void GetRegKey(const std::string& key, const std::string& name, std::string& value);
std::string GetRegKey(const std::string& key, const std::string& name);
// Deletes `key` with its values and subkeys. An empty key path deletes nothing.
void DeleteRegKey(const std::string& key);

// The same on kCompsRegKey. CreateCompsRegKey also writes the credit text as the key's default
// value.
void CreateCompsRegKey(const std::string& name, const std::string& value);
void GetCompsRegKey(const std::string& name, std::string& value);
std::string GetCompsRegKey(const std::string& name);
void DeleteCompsRegKey();

// The credit text CreateCompsRegKey writes as the default value of kCompsRegKey.
inline constexpr char kCompsRegCredit[] = "Bexlo: components for desktop database applications";

// The viewer's settings in the library's key: PrinterDPI and ShadowPrint.
//  LoadState: PrinterDPI := the integer stored as "PrinterDPI"; without one, the default
//  printer's vertical resolution; 300 when that fails or the stored text is not a resolution
//  (1..9600). ShadowPrint becomes true when "ShadowPrint" is "1" (it is never set false here).
//  SaveState writes both as decimal text ("1"/"0" for ShadowPrint).
void LoadState();
void SaveState();

}  // namespace bexlo
