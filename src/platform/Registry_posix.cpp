#include "platform/Registry.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <new>
#include <vector>

#include "inventory/WineRegistry.h"
#include "platform/Files.h"
#include "platform/Text.h"

// A key holds the parsed file it came from, so that it stays valid when the
// file is read again while the key is open.
struct RegistryKey {
    std::shared_ptr<const WineRegistry> registry;
    uint32_t key = kWineNoKey;
};

namespace {

struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    bool operator==(const FileStamp&) const = default;
};

struct WinePrefixState {
    std::string prefix;
    bool stamped = false;  // stamp describes the file that registry (or its failure) came from
    FileStamp stamp;
    std::shared_ptr<const WineRegistry> registry;
};

WinePrefixState& State() {
    static WinePrefixState state;
    return state;
}

bool ReadWhole(const char* path, std::string& bytes) {
    FilePtr file(FileOpenRead(path));
    uint64_t size = 0;
    if (!file || !FileGetSize(file.get(), &size) || size > SIZE_MAX) return false;
    bytes.resize(static_cast<size_t>(size));
    bytes.resize(FileRead(file.get(), bytes.data(), bytes.size()));
    return true;
}

// The registry of the prefix, read again only when the file has changed.
std::shared_ptr<const WineRegistry> CurrentRegistry() {
    WinePrefixState& state = State();
    if (state.prefix.empty()) return nullptr;
    const std::string path = state.prefix + "/system.reg";
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        state.registry.reset();
        state.stamped = false;
        return nullptr;
    }
    const FileStamp stamp{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                          static_cast<uint64_t>(info.st_size), static_cast<int64_t>(info.st_mtim.tv_sec),
                          static_cast<int64_t>(info.st_mtim.tv_nsec)};
    if (state.stamped && state.stamp == stamp) return state.registry;
    state.registry.reset();
    state.stamped = false;
    try {
        std::string bytes;
        if (!ReadWhole(path.c_str(), bytes)) return nullptr;
        auto registry = std::make_shared<WineRegistry>();
        if (WineRegistryParse(bytes.data(), bytes.size(), registry.get())) state.registry = std::move(registry);
        state.stamp = stamp;
        state.stamped = true;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return state.registry;
}

// The entry of folder that Windows would take for name: the exact spelling
// when it exists, else the first (in byte order) that differs only in letter
// case, else the name as given (the path then leads nowhere).
std::string ResolveComponent(const std::string& folder, const std::string& name) {
    struct stat info;
    if (lstat((folder + "/" + name).c_str(), &info) == 0) return name;
    std::string best;
    bool found = false;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (CompareNames(entry->d_name, name.c_str()) != 0) continue;
            if (!found || std::strcmp(entry->d_name, best.c_str()) < 0) best = entry->d_name;
            found = true;
        }
        closedir(dir);
    }
    return found ? best : name;
}

void AppendComponent(std::string& path, const std::string& name) {
    path += '/';
    path += name;
}

}  // namespace

RegistryKey* RegistryOpenMachineKey(const char* subKey) {
    if (!subKey) return nullptr;
    std::shared_ptr<const WineRegistry> registry = CurrentRegistry();
    if (!registry) return nullptr;
    const uint32_t key = WineRegistryFind(*registry, 0, subKey);
    if (key == kWineNoKey) return nullptr;
    RegistryKey* handle = new (std::nothrow) RegistryKey;
    if (!handle) return nullptr;
    handle->registry = std::move(registry);
    handle->key = key;
    return handle;
}

RegistryEnum RegistryEnumSubkey(RegistryKey* key, uint32_t index, char* name) {
    if (!key || !name) return RegistryEnum::kError;
    const uint32_t child = WineRegistrySubkey(*key->registry, key->key, index);
    if (child == kWineNoKey) return RegistryEnum::kNoMoreItems;
    const std::string& text = key->registry->keys[child].name;
    if (text.size() >= kRegistryNameSize) return RegistryEnum::kError;
    std::memcpy(name, text.c_str(), text.size() + 1);
    return RegistryEnum::kItem;
}

bool RegistryQueryString(RegistryKey* key, const char* valueName, char* buffer, uint32_t size) {
    if (!key || !buffer || size == 0) return false;
    const WineRegistryValue* value = WineRegistryFindValue(*key->registry, key->key, valueName);
    if (!value) {
        buffer[0] = '\0';
        return false;
    }
    const size_t length = strnlen(value->data.c_str(), value->data.size());
    if (length >= size) {
        // What does not fit is unreadable, never a cut-off text.
        buffer[0] = '\0';
        return false;
    }
    std::memcpy(buffer, value->data.data(), length);
    buffer[length] = '\0';
    return true;
}

void RegistryCloseKey(RegistryKey* key) { delete key; }

void RegistrySetWinePrefix(const char* prefix) {
    WinePrefixState& state = State();
    const std::string wanted = prefix ? prefix : "";
    if (wanted == state.prefix) return;
    state = WinePrefixState{};
    state.prefix = wanted;
}

std::string RegistryLocalPath(const char* storedPath) {
    const std::string& prefix = State().prefix;
    if (!storedPath || prefix.empty()) return std::string();
    // Only drive paths lead into the prefix; anything else ("%ProgramFiles%",
    // a bare name, a network path) names no file here.
    const char letter = storedPath[0];
    if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z')) || storedPath[1] != ':')
        return std::string();
    std::vector<std::string> components;
    const char* p = storedPath + 2;
    while (*p) {
        const char* stop = p;
        while (*stop && *stop != '\\' && *stop != '/') ++stop;
        const std::string part(p, static_cast<size_t>(stop - p));
        // Windows folds "." and ".." out of a path before it looks at a disk,
        // and ".." stops at the drive's root.
        if (part == "..") {
            if (!components.empty()) components.pop_back();
        } else if (!part.empty() && part != ".") {
            components.push_back(part);
        }
        p = *stop ? stop + 1 : stop;
    }
    const std::string devices = prefix + "/dosdevices";
    const char drive[3] = {static_cast<char>(letter | 0x20), ':', '\0'};
    // Each step appends in place: GCC 12 at -O3 misreads a temporary built
    // with "/" + name as an overlapping copy (-Wrestrict).
    std::string path = devices;
    AppendComponent(path, ResolveComponent(devices, drive));
    for (const std::string& part : components) AppendComponent(path, ResolveComponent(path, part));
    return path;
}
