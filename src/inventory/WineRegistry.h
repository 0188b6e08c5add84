// Reads the registry file of a Wine prefix (system.reg), which stands in for
// HKEY_LOCAL_MACHINE where there is no Windows registry. Only string values
// are kept; keys and value names compare without regard to letter case.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint32_t kWineNoKey = UINT32_MAX;
// Windows refuses longer key names; a key line with one is dropped whole.
inline constexpr size_t kWineMaxKeyNameLength = 255;

struct WineNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

struct WineRegistryValue {
    std::string name;  // empty: the default value ("@")
    std::string data;  // UTF-8, without the terminating zero the file implies
    bool expand = false;  // str(2): environment references left unexpanded
};

struct WineRegistryKey {
    std::string name;
    std::map<std::string, uint32_t, WineNameLess> children;  // name -> key index
    std::vector<uint32_t> subkeys;  // the children in WineNameLess order, for enumeration by index
    std::map<std::string, WineRegistryValue, WineNameLess> values;
};

// Keys live in one flat table, so that no depth of nesting in a file can
// exhaust the stack when the registry is released.
struct WineRegistry {
    std::vector<WineRegistryKey> keys;  // keys[0]: the root the file's key paths start from
};

// 1 when the text is a registry file ("WINE REGISTRY Version 2" first); lines
// it cannot make sense of are skipped, as Wine itself does. 0 for anything
// else or when memory runs out (the registry is then empty).
int WineRegistryParse(const char* data, size_t size, WineRegistry* registry);

// The key at a backslash-separated path below key `from` (an empty path is
// `from` itself); kWineNoKey when absent.
uint32_t WineRegistryFind(const WineRegistry& registry, uint32_t from, const char* path);
// The subkey at index, kWineNoKey past the last.
uint32_t WineRegistrySubkey(const WineRegistry& registry, uint32_t key, uint32_t index);
// nullptr or "" names the default value; nullptr when there is no such value.
const WineRegistryValue* WineRegistryFindValue(const WineRegistry& registry, uint32_t key, const char* name);
