// Pictures of the program for its documentation, taken by scripts/
// screenshots.sh (disabled in the suite): the main window on each tab with
// the example collection read, the configuration dialog and the About box,
// as BMP files that the script turns into PNG.
//   QUORVEL_EXAMPLE      the example collection (Windows path), with the
//                        quorvel.cfg that the Linux program wrote for it
//   QUORVEL_SCREENSHOTS  the folder for the pictures (Windows path)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <tuple>

#include "core/CommandLine.h"
#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

// The window as it stands on the screen, written as a 32-bit top-down BMP.
static bool CaptureWindow(HWND window, const std::string& path) {
    RECT area = {};
    if (!GetWindowRect(window, &area)) return false;
    Canvas canvas(area.right - area.left, area.bottom - area.top, RGB(0, 0, 0));
    HDC screen = GetDC(nullptr);
    BitBlt(canvas.dc, 0, 0, canvas.width, canvas.height, screen, area.left, area.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    GdiFlush();
    const DWORD size = static_cast<DWORD>(canvas.width * canvas.height * 4);
    const BITMAPINFOHEADER info = {sizeof info, canvas.width, -canvas.height, 1, 32, BI_RGB, size, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    const BITMAPFILEHEADER header = {0x4D42, offset + size, 0, 0, offset};  // "BM"
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    bytes.append(reinterpret_cast<const char*>(canvas.bits), size);
    // Opaque: BitBlt leaves the alpha bytes at zero, which readers take as transparent.
    for (size_t alpha = offset + 3; alpha < bytes.size(); alpha += 4) bytes[alpha] = '\xFF';
    std::ofstream(path, std::ios::binary) << bytes;
    return FileExists(path);
}

TEST(ScreenshotTest, DISABLED_MainWindowTabsAndDialogs) {
    auto environment = [](const char* name) { return std::string(std::getenv(name) ? std::getenv(name) : ""); };
    const std::string example = environment("QUORVEL_EXAMPLE"), out = environment("QUORVEL_SCREENSHOTS");
    ASSERT_FALSE(example.empty() || out.empty()) << "QUORVEL_EXAMPLE and QUORVEL_SCREENSHOTS must be set";
    ParseCommandLine(("/p:" + example + "\\songs /s+").c_str());

    Script script;
    std::vector<std::string> written;
    auto shoot = [&](std::function<HWND()> window, const char* name) {
        script.Pause(6).Do([&, window, name] {
            HWND target = window();
            RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            const std::string path = out + "\\" + name + ".bmp";
            if (CaptureWindow(target, path)) written.push_back(path);
        });
    };
    const char* tabs[] = {"main-songs", "main-missing", "main-unused", "main-errors"};
    for (int tab = 0; tab < 4; ++tab) {
        script.Do([&, tab] { ClickTab(script.main, tab); });
        shoot([&] { return script.main; }, tabs[tab]);
    }
    script.Do([&] {
        ClickTab(script.main, 0);
        // The dialog shows the folder as this side names it.
        Settings.VstFolder1Enabled = 1;
        std::strcpy(Settings.VstFolder1, (example + "\\vst").c_str());
        Settings.VstFolder2Enabled = 0;
    });
    const std::tuple<int, const char*, const char*> dialogs[] = {
        {IDC_CONFIGURATION, "Quorvel Configuration", "configuration"}, {IDM_ABOUT, "About Quorvel", "about"}};
    for (const auto& [command, caption, name] : dialogs) {
        script.Command(command).Await(caption);
        shoot([&, caption = caption] { return script.Dialog(caption); }, name);
        script.Answer(caption, command == IDM_ABOUT ? IDOK : IDCANCEL);
    }
    // A copy of the settings, so that the close does not change the example.
    const std::string settings = out + "\\quorvel.cfg";
    CopyFileA((example + "\\quorvel.cfg").c_str(), settings.c_str(), FALSE);
    RunMainWindow(script.Close(), settings);
    DeleteFileA(settings.c_str());
    EXPECT_EQ(written.size(), 6u);
}
