// The Wine suite's entry: the common controls and the window classes are
// set up once, as the program's own entry point does.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include "core/PluginSet.h"
#include "ui/Hyperlink.h"
#include "ui/MainWindow.h"

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterHyperlinkClass()) return 2;
    if (!RegisterMainWindowClass(GetModuleHandleA(nullptr))) return 2;
    PluginSetInit(InstalledPlugins);
    PluginSetInit(UsedPlugins);
    PluginSetInit(MissingPlugins);
    // The pointer of the virtual display rests in a corner, away from every
    // test window, so that only the tests' own mouse messages reach them.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    UnregisterMainWindowClass(GetModuleHandleA(nullptr));
    UnregisterHyperlinkClass();
    return result;
}
