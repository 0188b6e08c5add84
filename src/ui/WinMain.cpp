// The program's entry point: the window classes, the plug-in sets, the
// command line, then the main window as a modal dialog.
#include <windows.h>
#include <commctrl.h>

#include "core/CommandLine.h"
#include "core/PluginSet.h"
#include "ui/Hyperlink.h"
#include "ui/MainWindow.h"
#include "ui/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    // The main window's class is the system dialog class under our own name,
    // so that dialog 1001 carries the program's icon.
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    if (!GetClassInfoExA(nullptr, MAKEINTRESOURCEA(0x8002), &windowClass)) return 0;  // WC_DIALOG
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUORVEL));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.lpszClassName = "quorvel";
    if (!RegisterClassExA(&windowClass)) return 0;
    RegisterHyperlinkClass();

    PluginSetInit(InstalledPlugins);
    PluginSetInit(UsedPlugins);
    PluginSetInit(MissingPlugins);
    if (commandLine && commandLine[0]) ParseCommandLine(commandLine);

    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    UnregisterHyperlinkClass();
    return 0;
}
