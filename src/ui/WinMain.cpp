// The program's entry point: the window classes, the plug-in sets, the
// command line and the settings file's place, then the main window as a
// modal dialog.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/SettingsFile.h"
#include "ui/Hyperlink.h"
#include "ui/MainWindow.h"
#include "ui/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterMainWindowClass(instance)) return 0;
    RegisterHyperlinkClass();

    PluginSetInit(InstalledPlugins);
    PluginSetInit(UsedPlugins);
    PluginSetInit(MissingPlugins);
    if (commandLine && commandLine[0]) ParseCommandLine(commandLine);

    // An executable path too long to read back leaves no settings file
    // rather than one in whatever folder is current.
    const std::string folder = ExecutableFolder();
    SettingsSetPath(folder.empty() ? "" : PathJoin(folder, "quorvel.cfg").c_str());

    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    UnregisterHyperlinkClass();
    return 0;
}
