// The frame every run shares: note the error lines, enter the busy state,
// feed files to the reader, leave it, refresh the summary, the Export button
// and the tab. The window's two picker commands use the frame's pieces; the
// drop and the command-line run are whole here.
#pragma once

#include <string>
#include <vector>

inline constexpr const char SongFilePattern[] = "*.xrns;*.xml;*.rns;*.xrni";

struct ProcessingRun {
    int errorBaseline = 0;
};

ProcessingRun RunStart();
void RunEnterBusy();
void RunLeaveBusy();
// Summary, Export button, and the songs tab, or the errors tab when the run
// added error lines.
void RunEnd(const ProcessingRun& run);

// Dropped items in the order given: a matching name is read through a walk of
// its folder with its own name as pattern; anything else is an error line.
void RunDroppedFiles(const std::vector<std::string>& paths);

enum class CommandLineOutcome {
    kNothing,        // no request pending, or one already under way
    kMissingInput,   // the folder or file did not exist; the message was shown
    kRead,           // read, and the report written when one was asked for
    kExportFailed,   // read, but the asked-for report was not written
};

// Where the pending request's run walks.
struct CommandLineWalk {
    std::string folder;
    std::string pattern;
    int recurse = 0;
};
// 1 and the walk; 0 when the request's folder (or, without one, its file)
// does not exist.
int ResolveCommandLineWalk(CommandLineWalk& walk);

// The command-line run, once: reads the request's folder or file, writes the
// report when asked, closes the main window after it when asked.
CommandLineOutcome RunCommandLine(void* mainWindow);
