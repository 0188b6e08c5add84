// The interactive export: the save dialog, answered as a user would, and
// the system's question before a file is replaced.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

static constexpr int kFileNameField = 0x047C;  // cmb13 of the Explorer-style dialog

TEST(ExportDialogTest, CancelKeepsTheFolderAndAChosenNameGetsTheExtensionAndReplacingAsksFirst) {
    ScratchFolder folder;
    WriteTextFile(folder.In("Demo.xml"), SongXml("Demo", {"Delay"}));
    Script script;
    std::string firstReport;
    auto exportAs = [&](const std::string& name) {
        script.Command(IDC_EXPORT).WaitUntil([&] { return script.Dialog("Export") != nullptr; }).Pause(2).Do([&, name] {
            // The dialog's frame stands centred over the main window.
            HWND dialog = script.Dialog("Export");
            RECT frame = {}, main = {};
            GetWindowRect(dialog, &frame);
            GetWindowRect(script.main, &main);
            EXPECT_EQ(frame.left, main.left + (main.right - main.left - (frame.right - frame.left)) / 2);
            EXPECT_EQ(frame.top, main.top + (main.bottom - main.top - (frame.bottom - frame.top)) / 2);
            SetDlgItemTextA(dialog, kFileNameField, name.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        script.WaitUntil([&] { return script.Dialog("Export") == nullptr; });
    };
    script.Do([&] {
        DropFiles(script.main, {folder.In("Demo.xml")});
        std::strcpy(Settings.ExportFolder, "C:\\windows");
    });
    script.Command(IDM_EXPORT).Answer("Export", IDCANCEL).Do([&] { EXPECT_STREQ(Settings.ExportFolder, "C:\\windows"); });
    exportAs(folder.In("report"));  // no extension typed
    script.Do([&] {
        firstReport = ReadTextFile(folder.In("report.txt"));
        EXPECT_NE(firstReport.find("1 - " + folder.In("Demo.xml") + "\r\n"), std::string::npos);
        WriteTextFile(folder.In("report.txt"), "changed");
    });
    script.answers.push_back(IDYES);  // the system's "replace?" question
    exportAs(folder.In("report.txt"));
    script.Do([&] { EXPECT_EQ(Settings.ExportFolder, folder.path); });
    EXPECT_EQ(RunMainWindow(script.Close(), folder.In("quorvel.cfg")), 0);
    // Only the system's own question, with the dialog's title as caption.
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].caption, "Export");
    EXPECT_NE(script.boxes[0].text.find("replace"), std::string::npos) << script.boxes[0].text;
    EXPECT_EQ(ReadTextFile(folder.In("report.txt")), firstReport);
}
