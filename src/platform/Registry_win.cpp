#include "platform/Registry.h"

#include <windows.h>

// The handle is the registry key itself.
RegistryKey* RegistryOpenMachineKey(const char* subKey) {
    if (!subKey) return nullptr;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    return reinterpret_cast<RegistryKey*>(key);
}

RegistryEnum RegistryEnumSubkey(RegistryKey* key, uint32_t index, char* name) {
    if (!key || !name) return RegistryEnum::kError;
    const LONG result = RegEnumKeyA(reinterpret_cast<HKEY>(key), index, name, kRegistryNameSize);
    if (result == ERROR_SUCCESS) return RegistryEnum::kItem;
    if (result == ERROR_NO_MORE_ITEMS) return RegistryEnum::kNoMoreItems;
    return RegistryEnum::kError;
}

bool RegistryQueryString(RegistryKey* key, const char* valueName, char* buffer, uint32_t size) {
    if (!key || !buffer || size == 0) return false;
    DWORD type = 0;
    DWORD length = size;
    const LONG result = RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName, nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &length);
    // After ERROR_MORE_DATA the buffer's content is undefined, and data of
    // another type is no text: both read as empty.
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        buffer[0] = '\0';
        return false;
    }
    // The registry does not promise a terminating zero: a text that fills the
    // buffer to the last byte without one does not fit.
    if (length == 0) {
        buffer[0] = '\0';
    } else if (length < size) {
        buffer[length] = '\0';
    } else if (buffer[size - 1] != '\0') {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

void RegistryCloseKey(RegistryKey* key) {
    if (key) RegCloseKey(reinterpret_cast<HKEY>(key));
}

void RegistrySetWinePrefix(const char*) {}

std::string RegistryLocalPath(const char* storedPath) { return storedPath ? std::string(storedPath) : std::string(); }
