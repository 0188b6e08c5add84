#include "settings/Configuration.h"

#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "inventory/FolderWalk.h"
#include "inventory/ForeignLibraries.h"
#include "inventory/VstProbe.h"
#include "inventory/WavesShell.h"
#include "platform/Files.h"
#include "settings/SettingsFile.h"

int ApplyConfiguration(void* dialog, int scanSubfolders) {
    Settings.ScanSubfolders = scanSubfolders ? 1 : 0;
    if (Settings.VstFolder1Enabled && !Settings.VstFolder1[0]) Settings.VstFolder1Enabled = 0;
    if (Settings.VstFolder2Enabled && !Settings.VstFolder2[0]) Settings.VstFolder2Enabled = 0;

    int stored = 1;
    if (Settings.VstFolder1Enabled || Settings.VstFolder2Enabled) {
        FrontEndEnterBusy();
        if (InstalledPlugins.count) PluginSetClear(InstalledPlugins);
        ForeignLibraries.clear();
        WavesEnumerated = 0;
        // A folder that no longer exists gives nothing: the walk would list
        // whatever folder happens to be current and take its libraries for
        // installed plug-ins.
        if (Settings.VstFolder1Enabled && IsFolder(Settings.VstFolder1))
            WalkFolder(Settings.VstFolder1, "*.dll", 1, ProbeVstPlugin, dialog);
        if (Settings.VstFolder2Enabled && IsFolder(Settings.VstFolder2))
            WalkFolder(Settings.VstFolder2, "*.dll", 1, ProbeVstPlugin, dialog);
        if (InstalledPlugins.count) stored = SaveInstalledPlugins();
        FrontEndLeaveBusy();
    } else {
        PluginSetClear(InstalledPlugins);
        ForeignLibraries.clear();
    }

    PluginSetClear(UsedPlugins);
    PluginSetClear(MissingPlugins);
    ClearSongList();
    FrontEndEnableExport(0);
    return stored;
}
