// The catalogue's one collection: an ordered set of plug-in records keyed by
// name under CompareNames, where adding an equal name counts one more instance.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct PluginRecord {
    std::string name;
    std::string folder;  // empty: absent (only InstalledPlugins has folders)
    uint32_t count = 0;
};

struct PluginNameLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

struct PluginSet {
    // Map nodes never move, so plug-in rows can point at a record.
    std::map<std::string, PluginRecord, PluginNameLess> members;
    uint32_t count = 0;
};

extern PluginSet InstalledPlugins;
extern PluginSet UsedPlugins;
extern PluginSet MissingPlugins;

using PluginVisitor = void (*)(const PluginRecord& record, void* context);

void PluginSetInit(PluginSet& set);
// Returns 1, or 0 when memory ran out (the set is then unchanged).
int PluginSetAdd(PluginSet& set, const char* name, const char* folder);
bool PluginSetContains(const PluginSet& set, const char* name);
const PluginRecord* PluginSetFind(const PluginSet& set, const char* name);
void PluginSetVisit(const PluginSet& set, PluginVisitor visitor, void* context);
void PluginSetClear(PluginSet& set);
bool IsNotInstalled(const char* name);

// The number of unused plug-ins as the status line shows it: 0 while nothing
// is used, else installed - used + missing.
uint32_t CountUnusedPlugins();
