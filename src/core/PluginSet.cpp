#include "core/PluginSet.h"

#include <new>

#include "platform/Text.h"

PluginSet InstalledPlugins;
PluginSet UsedPlugins;
PluginSet MissingPlugins;

bool PluginNameLess::operator()(std::string_view a, std::string_view b) const {
    return CompareNames(a, b) < 0;
}

void PluginSetInit(PluginSet& set) {
    set.members.clear();
    set.count = 0;
}

int PluginSetAdd(PluginSet& set, const char* name, const char* folder) {
    if (!name) return 0;
    const std::string_view key(name);
    auto found = set.members.lower_bound(key);
    if (found != set.members.end() && !set.members.key_comp()(key, found->first)) {
        ++found->second.count;
        return 1;
    }
    try {
        PluginRecord record;
        record.name = name;
        if (folder) record.folder = folder;
        record.count = 1;
        std::string stored = record.name;
        set.members.emplace_hint(found, std::move(stored), std::move(record));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    ++set.count;
    return 1;
}

const PluginRecord* PluginSetFind(const PluginSet& set, const char* name) {
    if (!name) return nullptr;
    auto found = set.members.find(std::string_view(name));
    return found == set.members.end() ? nullptr : &found->second;
}

bool PluginSetContains(const PluginSet& set, const char* name) { return PluginSetFind(set, name) != nullptr; }

void PluginSetVisit(const PluginSet& set, PluginVisitor visitor, void* context) {
    for (const auto& member : set.members) visitor(member.second, context);
}

void PluginSetClear(PluginSet& set) {
    set.members.clear();
    set.count = 0;
}

bool IsNotInstalled(const char* name) { return !PluginSetContains(InstalledPlugins, name); }

uint32_t CountUnusedPlugins() {
    if (UsedPlugins.count == 0) return 0;
    return InstalledPlugins.count - UsedPlugins.count + MissingPlugins.count;
}
