#include "core/ProcessingRun.h"

#include "core/CommandLine.h"
#include "core/FrontEnd.h"
#include "core/Results.h"
#include "inventory/FolderWalk.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "readers/SongReader.h"
#include "report/Report.h"
#include "settings/SettingsFile.h"

ProcessingRun RunStart() { return ProcessingRun{static_cast<int>(ErrorList.size())}; }

void RunEnterBusy() { FrontEndEnterBusy(); }

void RunLeaveBusy() { FrontEndLeaveBusy(); }

void RunEnd(const ProcessingRun& run) {
    UpdateStatusLine();
    if (!SongList.empty()) FrontEndEnableExport(1);
    FrontEndSelectTab(static_cast<int>(ErrorList.size()) == run.errorBaseline ? kTabSongs : kTabErrors);
}

void RunDroppedFiles(const std::vector<std::string>& paths) {
    const ProcessingRun run = RunStart();
    RunEnterBusy();
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        const char* name = PathFileName(path.c_str());
        if (MatchMaskList(name, SongFilePattern)) {
            // Through the walk, so the file is read with the name as stored on disk.
            const std::string folder = PathFolder(path.c_str());
            WalkFolder(folder.c_str(), name, 0, ReadSongFile, nullptr);
        } else {
            AppendErrorLine(
                TextFormat("Error: The specified file \"%s\" is no valid Renoise song or instrument!", path.c_str()));
        }
    }
    RunLeaveBusy();
    RunEnd(run);
}

int ResolveCommandLineWalk(CommandLineWalk& walk) {
    walk = CommandLineWalk{};
    walk.pattern = SongFilePattern;
    if (CommandLine.folderText) {
        walk.folder = *CommandLine.folderText;
        if (!PathExists(walk.folder.c_str())) return 0;
        if (CommandLine.fileText) walk.pattern = *CommandLine.fileText;
    } else if (CommandLine.fileText) {
        const std::string& file = *CommandLine.fileText;
        if (!PathExists(file.c_str())) return 0;
        walk.folder = PathFolder(file.c_str());
        walk.pattern = PathFileName(file.c_str());
    }
    walk.recurse = CommandLine.subfolderMode == 2 ? (Settings.ScanSubfolders ? 1 : 0) : CommandLine.subfolderMode;
    return 1;
}

CommandLineOutcome RunCommandLine(void* mainWindow) {
    // A paint that arrives while a message box of this run is open must not
    // start the run a second time.
    static bool underWay = false;
    if (!CommandLine.pending || underWay) return CommandLineOutcome::kNothing;
    underWay = true;

    const ProcessingRun run = RunStart();
    CommandLineWalk walk;
    if (!ResolveCommandLineWalk(walk)) {
        const std::string message =
            CommandLine.folderText
                ? TextFormat("The specified folder \"%s\" does not exist!", CommandLine.folderText->c_str())
                : TextFormat("The specified file \"%s\" could not be found!", CommandLine.fileText->c_str());
        FrontEndShowError(nullptr, message.c_str());
        DiscardCommandLine();
        underWay = false;
        return CommandLineOutcome::kMissingInput;
    }

    RunEnterBusy();
    WalkFolder(walk.folder.c_str(), walk.pattern.c_str(), walk.recurse, ReadSongFile, nullptr);

    CommandLineOutcome outcome = CommandLineOutcome::kRead;
    if (CommandLine.exportPath) {
        if (!ExportReport(mainWindow)) outcome = CommandLineOutcome::kExportFailed;
        if (CommandLine.quitAfterExport) FrontEndQuitMainWindow();
    }
    RunLeaveBusy();
    RunEnd(run);
    DiscardCommandLine();
    underWay = false;
    return outcome;
}
