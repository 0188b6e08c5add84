// The settings loader over any bytes: the rectangle, the block and the
// record list, into a fresh block and set of its own.
#include <cstddef>
#include <cstdint>

#include "core/PluginSet.h"
#include "settings/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int32_t rect[4] = {0, 0, 0, 0};
    AppSettings settings{};
    PluginSet plugins;
    SettingsParse(data, size, rect, settings, plugins);
    // Every loaded path must stay inside its field.
    const char* fields[] = {settings.OpenFilesFolder, settings.OpenFolderPath, settings.ExportFolder,
                            settings.VstFolder1, settings.VstFolder2};
    for (const char* field : fields) {
        size_t n = 0;
        while (n < kSettingsPathSize && field[n]) ++n;
        if (n == kSettingsPathSize) __builtin_trap();
    }
    for (const auto& member : plugins.members)
        if (member.second.name.size() > kSettingsMaxTextLength || member.second.folder.size() > kSettingsMaxTextLength)
            __builtin_trap();
    PluginSetClear(plugins);
    return 0;
}
