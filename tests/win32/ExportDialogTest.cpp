// The interactive export: the save dialog, answered as a user would, and
// the system's question before a file is replaced.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/MainWindowDriver.h"
#include "win32/Win32Support.h"

namespace {

constexpr int kFileNameField = 0x047C;  // cmb13 of the Explorer-style dialog

TEST(ExportDialogTest, ChosenNameGetsTheExtensionAndReplacingAsksFirst) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    const std::string song = folder.path + "\\Demo.xml";
    const std::string report = folder.path + "\\report.txt";
    WriteTextFile(song, SongXml("Demo", {"Delay"}));

    MainWindowScript script;
    RECT frame = {}, main = {};
    std::string firstReport, exportFolder;
    auto exportAs = [&](const std::string& name) {
        script.Do([&] { PostMessageA(script.main, WM_COMMAND, IDC_EXPORT, 0); })
            .WaitUntil([&] { return FindOpenDialog(script, "Export") != nullptr; })
            .Pause(2)
            .Do([&, name] {
                HWND dialog = FindOpenDialog(script, "Export");
                GetWindowRect(dialog, &frame);
                GetWindowRect(script.main, &main);
                SetDlgItemTextA(dialog, kFileNameField, name.c_str());
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            })
            .WaitUntil([&] { return FindOpenDialog(script, "Export") == nullptr; });
    };
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; }).Do([&] {
        DropFiles(script.main, {song});
    });
    exportAs(folder.path + "\\report");  // no extension typed
    script.Do([&] {
        firstReport = ReadTextFile(report);
        WriteTextFile(report, "changed");
    });
    script.answers.push_back(IDYES);  // the system's "replace?" question
    exportAs(folder.path + "\\report.txt");
    script.Do([&] {
        exportFolder = Settings.ExportFolder;
        PostMessageA(script.main, WM_CLOSE, 0, 0);
    });

    EXPECT_EQ(RunMainWindow(script, settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_NE(firstReport.find("1 - " + song + "\r\n"), std::string::npos);
    ASSERT_EQ(script.boxes.size(), 1u);  // only the replace question
    // The system's own question, with the dialog's title as caption.
    EXPECT_EQ(script.boxes[0].caption, "Export");
    EXPECT_NE(script.boxes[0].text.find("replace"), std::string::npos) << script.boxes[0].text;
    EXPECT_EQ(ReadTextFile(report), firstReport);
    EXPECT_EQ(exportFolder, folder.path);
    // The dialog's frame stood centred over the main window.
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, main.left + (main.right - main.left - width) / 2);
    EXPECT_EQ(frame.top, main.top + (main.bottom - main.top - height) / 2);
}

TEST(ExportDialogTest, CancelWritesNothingAndKeepsTheFolder) {
    ScratchFolder folder;
    const std::string settings = folder.path + "\\quorvel.cfg";
    MainWindowScript script;
    std::string exportFolder = "unchanged";
    script.WaitUntil([&] { return IsWindowVisible(script.main) != FALSE; })
        .Do([&] {
            std::strcpy(Settings.ExportFolder, "C:\\windows");
            PostMessageA(script.main, WM_COMMAND, IDM_EXPORT, 0);
        })
        .WaitUntil([&] { return FindOpenDialog(script, "Export") != nullptr; })
        .Do([&] { PostMessageA(FindOpenDialog(script, "Export"), WM_COMMAND, IDCANCEL, 0); })
        .WaitUntil([&] { return FindOpenDialog(script, "Export") == nullptr; })
        .Do([&] {
            exportFolder = Settings.ExportFolder;
            PostMessageA(script.main, WM_CLOSE, 0, 0);
        });
    EXPECT_EQ(RunMainWindow(script, settings), 0);
    EXPECT_FALSE(script.timedOut);
    EXPECT_TRUE(script.boxes.empty());
    EXPECT_EQ(exportFolder, "C:\\windows");
}

}  // namespace
