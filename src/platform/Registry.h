// Read-only access to the machine's registry (HKEY_LOCAL_MACHINE). Windows
// reads the real registry; elsewhere the registry file of a Wine prefix
// stands in for it, and library paths are mapped through the prefix.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct RegistryKey;

inline constexpr uint32_t kRegistryNameSize = 260;

enum class RegistryEnum { kItem, kNoMoreItems, kError };

// Opens a key below HKEY_LOCAL_MACHINE ("Software\\Classes\\CLSID");
// nullptr when it does not exist or cannot be read.
RegistryKey* RegistryOpenMachineKey(const char* subKey);
// The name of the subkey at index, into a buffer of kRegistryNameSize bytes.
RegistryEnum RegistryEnumSubkey(RegistryKey* key, uint32_t index, char* name);
// A string value (valueName nullptr: the default value) into buffer, at most
// size bytes with the terminator; false (and buffer empty) when there is no
// such text value or it does not fit.
bool RegistryQueryString(RegistryKey* key, const char* valueName, char* buffer, uint32_t size);
void RegistryCloseKey(RegistryKey* key);  // safe on nullptr

struct RegistryKeyCloser {
    void operator()(RegistryKey* key) const { RegistryCloseKey(key); }
};
using RegistryKeyPtr = std::unique_ptr<RegistryKey, RegistryKeyCloser>;

// Elsewhere than Windows: the Wine prefix whose system.reg is read (empty:
// none, so every key fails to open). Ignored on Windows.
void RegistrySetWinePrefix(const char* prefix);
// A library path as the registry stores it, as a path this process can open
// (on Windows unchanged; elsewhere "C:\\x\\y.dll" through the prefix's
// dosdevices links).
std::string RegistryLocalPath(const char* storedPath);
