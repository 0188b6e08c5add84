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
#include <string>
#include <tuple>

#include "core/CommandLine.h"
#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

// The window as it stands on the screen, written as a 24-bit BMP.
static bool CaptureWindow(HWND window, const std::string& path) {
    RECT area = {};
    if (!GetWindowRect(window, &area)) return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const int stride = (width * 3 + 3) & ~3;
    BITMAPINFO info = {};
    // Bottom-up, as BMP files store it.
    info.bmiHeader = {sizeof info.bmiHeader, width, height, 1, 24, BI_RGB, static_cast<DWORD>(stride * height),
                      0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();

    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + info.bmiHeader.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    bytes.append(static_cast<const char*>(bits), info.bmiHeader.biSizeImage);
    WriteTextFile(path, bytes);

    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return FileExists(path);
}

static std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

TEST(ScreenshotTest, DISABLED_MainWindowTabsAndDialogs) {
    const std::string example = Environment("QUORVEL_EXAMPLE");
    const std::string out = Environment("QUORVEL_SCREENSHOTS");
    ASSERT_FALSE(example.empty() || out.empty()) << "QUORVEL_EXAMPLE and QUORVEL_SCREENSHOTS must be set";
    ParseCommandLine(("/p:" + example + "\\songs /s+").c_str());

    Script script;
    std::vector<std::string> written;
    auto shoot = [&](std::function<HWND()> window, const char* name) {
        script.Pause(6).Do([&, window, name] {
            HWND target = window();
            RedrawWindow(target, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            GdiFlush();
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
        script.Command(command).WaitUntil([&, caption = caption] { return script.Dialog(caption) != nullptr; });
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
