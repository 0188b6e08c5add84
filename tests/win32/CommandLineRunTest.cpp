// The command-line run as the window starts it at its first paint, and as a
// real process of the program. (The interactive export runs in the main
// window's session with the pickers.)
#include <gtest/gtest.h>

#include <string>

#include "core/CommandLine.h"
#include "ui/resource.h"
#include "win32/Win32Support.h"

// A missing folder or a declined overwrite is reported and the window stays;
// then the program itself, started as a user's script would start it.
TEST(CommandLineRunTest, RefusalsKeepTheWindowAndTheProgramWritesTheReportAndEnds) {
    TempFolder folder;
    const std::string songs = folder.Path("songs"), settings = folder.Path("quorvel.cfg");
    const std::string report = folder.Path("report.txt");
    folder.Write("songs\\Demo.xml", SongXml({"Delay"}));
    const std::string nowhere = folder.Path("nowhere");
    const struct {
        std::string folder;
        const char* switches;
        const char* caption;
        std::string text;
        int rows;
    } cases[] = {
        {nowhere, " /o /q", "Error", std::string("The specified folder \"") + nowhere + "\" does not exist!", 0},
        {songs, " /q", "Warning",  // two rows: the song and its plug-in
         std::string("The specified export file \"") + report + "\" already exists!\n\nOverwrite it?", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        folder.Write("report.txt", "older report");
        DeleteFileA(settings.c_str());
        ParseCommandLine(("/p:" + c.folder + " /e:" + report + c.switches).c_str());  // for the window to read
        Script script;
        script.answers.push_back(IDCANCEL);
        script.WaitUntil([&] { return !script.boxes.empty(); }).Pause(3).Do([&] {
            EXPECT_TRUE(IsWindowVisible(script.main));
            EXPECT_EQ(script.Count(IDC_SONG_LIST), c.rows);
        });
        EXPECT_EQ(RunMainWindow(script.Close(), settings), 0);
        ASSERT_EQ(script.boxes.size(), 1u);
        EXPECT_EQ(script.boxes[0].caption, c.caption);
        EXPECT_EQ(script.boxes[0].text, c.text);
        EXPECT_EQ(script.boxes[0].owner, nullptr);
        EXPECT_EQ(ReadFileBytes(report), "older report");
        // The window was closed by the user: its closing steps ran.
        EXPECT_TRUE(FileExists(settings));
    }
    // A copy, so that the settings file would land in the scratch folder.
    DeleteFileA(settings.c_str());
    const std::string copy = folder.Path("quorvel.exe");
    ASSERT_TRUE(CopyFileA(BesideSelf("quorvel.exe").c_str(), copy.c_str(), FALSE));
    std::string commandLine = "\"" + copy + "\" /p:" + songs + " /s+ /e:" + report + " /o /q";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.path.c_str(), &startup, &process));
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    EXPECT_EQ(exitCode, 0u);
    const std::string written = ReadFileBytes(report);
    EXPECT_EQ(written.rfind("--- Processed songs and instruments: ", 0), 0u);
    EXPECT_NE(written.find("1 - " + songs + "\\Demo.xml\r\n"), std::string::npos);
    EXPECT_FALSE(FileExists(settings));
}
