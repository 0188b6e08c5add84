// The command-line run as the window starts it at its first paint, and as a
// real process of the program.
#include <gtest/gtest.h>

#include <string>

#include "core/CommandLine.h"
#include "settings/SettingsFile.h"
#include "ui/resource.h"
#include "win32/MainWindowDriver.h"
#include "win32/Win32Support.h"

namespace {

struct RunFolder {
    ScratchFolder folder;
    std::string songs = folder.path + "\\songs";
    std::string settings = folder.path + "\\quorvel.cfg";
    std::string report = folder.path + "\\report.txt";
    RunFolder() {
        CreateDirectoryA(songs.c_str(), nullptr);
        WriteTextFile(songs + "\\Demo.xml", SongXml("Demo", {"Delay"}));
    }
};

std::string Replace(std::string text, const std::string& value) {
    text.replace(text.find("%s"), 2, value);
    return text;
}

TEST(CommandLineRunTest, MissingFolderIsReportedAndTheWindowStays) {
    RunFolder run;
    const std::string missing = run.folder.path + "\\nowhere";
    ParseCommandLine(("/p:" + missing + " /e:" + run.report + " /o /q").c_str());
    MainWindowScript script;
    bool open = false;
    std::string status;
    script.WaitUntil([&] { return !script.boxes.empty(); }).Pause(3).Do([&] {
        open = IsWindowVisible(script.main) != FALSE;
        status = WindowText(GetDlgItem(script.main, IDC_STATUS));
        PostMessageA(script.main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunMainWindow(script, run.settings), 0);
    EXPECT_FALSE(script.timedOut);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].caption, "Error");
    EXPECT_EQ(script.boxes[0].text, Replace("The specified folder \"%s\" does not exist!", missing));
    EXPECT_EQ(script.boxes[0].owner, nullptr);
    EXPECT_TRUE(open);
    EXPECT_FALSE(FileExists(run.report));
    // The window was closed by the user: its closing steps ran.
    EXPECT_TRUE(FileExists(run.settings));
}

TEST(CommandLineRunTest, DecliningToOverwriteKeepsTheFileAndTheWindow) {
    RunFolder run;
    WriteTextFile(run.report, "older report");
    ParseCommandLine(("/p:" + run.songs + " /e:" + run.report + " /q").c_str());
    MainWindowScript script;
    script.answers.push_back(IDCANCEL);
    bool open = false;
    int songRows = 0;
    script.WaitUntil([&] { return !script.boxes.empty(); }).Pause(3).Do([&] {
        open = IsWindowVisible(script.main) != FALSE;
        songRows = static_cast<int>(SendDlgItemMessageA(script.main, IDC_SONG_LIST, LB_GETCOUNT, 0, 0));
        PostMessageA(script.main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(RunMainWindow(script, run.settings), 0);
    EXPECT_FALSE(script.timedOut);
    ASSERT_EQ(script.boxes.size(), 1u);
    EXPECT_EQ(script.boxes[0].caption, "Warning");
    EXPECT_EQ(script.boxes[0].text,
              Replace("The specified export file \"%s\" already exists!\n\nOverwrite it?", run.report));
    EXPECT_TRUE(open);
    EXPECT_EQ(songRows, 2);  // the song and its plug-in
    EXPECT_EQ(ReadTextFile(run.report), "older report");
}

// The program itself, started as a user's script would start it: it writes
// the report and ends without saving its settings.
TEST(CommandLineRunTest, TheProgramWritesTheReportAndEnds) {
    RunFolder run;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string program = self;
    program = program.substr(0, program.find_last_of('\\')) + "\\quorvel.exe";
    // A copy, so that the settings file would land in the scratch folder.
    const std::string copy = run.folder.path + "\\quorvel.exe";
    ASSERT_TRUE(CopyFileA(program.c_str(), copy.c_str(), FALSE));

    std::string commandLine = "\"" + copy + "\" /p:" + run.songs + " /s+ /e:" + run.report + " /o /q";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               run.folder.path.c_str(), &startup, &process));
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(exitCode, 0u);
    const std::string report = ReadTextFile(run.report);
    EXPECT_EQ(report.rfind("--- Processed songs and instruments: ", 0), 0u);
    EXPECT_NE(report.find("1 - " + run.songs + "\\Demo.xml\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists(run.folder.path + "\\quorvel.cfg"));
}

}  // namespace
