// quorvel: the Linux program. It stands in for the window: the same core, the
// same runs and the same report, driven by options instead of buttons.
#include <getopt.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/CommandLine.h"
#include "core/FrontEnd.h"
#include "core/ProcessingRun.h"
#include "core/Results.h"
#include "inventory/FolderWalk.h"
#include "inventory/ForeignLibraries.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "report/Hints.h"
#include "report/Report.h"
#include "settings/Configuration.h"
#include "settings/SettingsFile.h"

namespace {

const char kUsage[] =
    "Usage: quorvel [OPTION]... [PATH]...\n"
    "Lists the VST plug-ins that tracker songs and instruments use, which of them\n"
    "are missing here, and which installed plug-ins no song uses; writes the report.\n"
    "\n"
    "  -p, --folder=DIR       read the songs and instruments in DIR\n"
    "  -f, --file=NAME        with --folder: a name or \";\"-mask list inside DIR;\n"
    "                         alone: one file\n"
    "  -s, --subfolders       also read subfolders\n"
    "  -S, --no-subfolders    do not read subfolders; wins over -s\n"
    "  -e, --export=FILE      write the report to FILE; \"-\" writes it to standard output\n"
    "  -o, --overwrite        replace an existing export file without asking\n"
    "  -c, --config=FILE      settings file (default $XDG_CONFIG_HOME/quorvel/quorvel.cfg,\n"
    "                         else ~/.config/quorvel/quorvel.cfg)\n"
    "      --vst=DIR          a VST folder, once or twice (folder 1, folder 2): rebuild the\n"
    "                         inventory and store folders and inventory in the settings file\n"
    "      --no-vst           disable both VST folders and empty the inventory\n"
    "      --wine-prefix=DIR  Wine prefix whose registry lists the Waves classes\n"
    "                         (default ~/.wine when present)\n"
    "      --format=FORMAT    text (the report, default), json or csv; see below\n"
    "      --hints            behind a text report, what may explain each missing plug-in\n"
    "      --fail-on-missing  exit with status 3 when a used plug-in is missing\n"
    "  -q, --quiet            no progress display and no summary\n"
    "      --repeat=N         read everything N times, emptying the results between rounds as\n"
    "                         Reset does; each round's summary, report checksum, resident and\n"
    "                         peak memory go to standard error (for soak tests)\n"
    "  -h, --help             show this help and exit\n"
    "  -V, --version          show the version and exit\n"
    "\n"
    "A PATH that is a folder is read like --folder; a PATH that is a file is read like a\n"
    "file dropped on the window. Without --export the report goes to standard output\n"
    "when something was read. Songs (.xrns), instruments (.xrni), bare XML (.xml) and\n"
    "legacy songs (.rns) are read; plug-ins are recognised by PluginName elements and,\n"
    "in today's files, by devices whose PluginType is VST.\n"
    "\n"
    "\n"
    "--format=json writes one UTF-8 object (two-space indentation, keys in this order):\n"
    "  inventory  true when an inventory of installed plug-ins exists\n"
    "  songs      [{ordinal, path, artist, songName, bpm, tpl, plugins: [{name, instances,\n"
    "             missing}]}]; null for what is not known (missing: null without inventory)\n"
    "  missing    [{name, otherKind, otherKindFolder, didYouMean}]: otherKind \"32-bit\",\n"
    "             \"64-bit\" or \"ARM64\" when the plug-in exists only as a library of that\n"
    "             kind; didYouMean an installed plug-in of a close name; null without inventory\n"
    "  unused     [{name, folder}], null without inventory\n"
    "  installed  [{name, folder}]\n"
    "  errors     [the error lines of the report]\n"
    "Bytes that are not UTF-8 (8-bit paths) are written as \\u escapes of their Windows-1252\n"
    "characters. --format=csv writes RFC 4180 rows with the header\n"
    "  kind,path,song,plugin,instances,missing,other_kind,did_you_mean,error\n"
    "one \"use\" row per plug-in of each song (missing: yes, no, or empty without inventory)\n"
    "and one \"error\" row per error line; texts in UTF-8, other bytes as Windows-1252.\n"
    "\n"
    "Exit status: 0 when the run finished (error lines are part of the report); 1 when a\n"
    "folder or file does not exist, or the report or the settings could not be written;\n"
    "2 for a usage error; 3 with --fail-on-missing when the report was written and a used\n"
    "plug-in is missing (also when there is no inventory to find it in). 1 wins over 3.\n";

enum OptionId {
    kOptVst = 1000,
    kOptNoVst,
    kOptWinePrefix,
    kOptRepeat,
    kOptFormat,
    kOptHints,
    kOptFailOnMissing,
};

struct Options {
    std::string folder;
    bool haveFolder = false;
    std::string file;
    bool haveFile = false;
    bool subfolders = false;
    bool noSubfolders = false;
    std::string exportPath;
    bool haveExport = false;
    bool overwrite = false;
    std::string config;
    std::vector<std::string> vstFolders;
    bool noVst = false;
    std::string winePrefix;
    bool quiet = false;
    int repeat = 1;
    ExportFormat format = ExportFormat::kText;
    bool hints = false;
    bool failOnMissing = false;
    std::vector<std::string> paths;
};

// What the front end shows on a terminal.
struct Terminal {
    bool progress = false;  // the file or plug-in at hand, on stderr
    bool busy = false;
    bool lineOpen = false;
    // While songs are read: how many files the inputs hold, how many have
    // been started (each reading names its file once). 0 files: a scan.
    size_t files = 0;
    size_t started = 0;
    int32_t rect[4] = {0, 0, 0, 0};
} g_terminal;

void ClearProgressLine() {
    if (g_terminal.lineOpen) {
        std::fputs("\r\033[K", stderr);
        g_terminal.lineOpen = false;
    }
}

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 40) return size.ws_col;
    return 80;
}

void ShowStatus(const char* text) {
    if (!g_terminal.progress || !g_terminal.busy) return;
    const int columns = TerminalColumns();
    if (g_terminal.files == 0) {
        std::fprintf(stderr, "\r\033[K%.*s", columns - 2, text);
    } else {
        if (g_terminal.started < g_terminal.files) ++g_terminal.started;
        constexpr int kBar = 24;
        const int filled = static_cast<int>(kBar * g_terminal.started / g_terminal.files);
        const std::string counts = TextFormat(" %zu/%zu ", g_terminal.started, g_terminal.files);
        const int room = columns - 3 - kBar - static_cast<int>(counts.size());
        std::fprintf(stderr, "\r\033[K[%.*s%.*s]%s%.*s", filled, "########################", kBar - filled,
                     "........................", counts.c_str(), room > 0 ? room : 0, text);
    }
    g_terminal.lineOpen = true;
}

void EnterBusy() { g_terminal.busy = true; }

void LeaveBusy() {
    g_terminal.busy = false;
    ClearProgressLine();
}

int ShowMessage(void*, const char* text, const char* caption, unsigned style) {
    ClearProgressLine();
    std::fprintf(stderr, "%s: %s\n", caption, text);
    if ((style & 0xF) != kMbOkCancel) return kIdOk;
    // The overwrite question: asked on a terminal, answered Cancel without one.
    if (!isatty(STDIN_FILENO)) {
        std::fputs("(no terminal to answer: not overwritten)\n", stderr);
        return kIdCancel;
    }
    std::fputs("Overwrite it? [y/N] ", stderr);
    char answer[16] = {0};
    if (!std::fgets(answer, sizeof answer, stdin)) return kIdCancel;
    return (answer[0] == 'y' || answer[0] == 'Y') ? kIdOk : kIdCancel;
}

bool GetRect(int32_t rect[4]) {
    std::memcpy(rect, g_terminal.rect, sizeof g_terminal.rect);
    return true;
}

void SetRect(const int32_t rect[4]) { std::memcpy(g_terminal.rect, rect, sizeof g_terminal.rect); }

std::string Absolute(const std::string& path) {
    if (path.empty() || PathIsAbsolute(path)) return path;
    std::string here;
    if (!GetCurrentFolder(here)) return path;
    return PathJoin(here, path);
}

std::string DefaultConfigPath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return PathJoin(PathJoin(xdg, "quorvel"), "quorvel.cfg");
    const char* home = std::getenv("HOME");
    if (!home || !*home) return "quorvel.cfg";
    return PathJoin(PathJoin(home, ".config/quorvel"), "quorvel.cfg");
}

bool ParseOptions(int argc, char** argv, Options& options, int& exitCode) {
    static const option kOptions[] = {
        {"folder", required_argument, nullptr, 'p'},
        {"file", required_argument, nullptr, 'f'},
        {"subfolders", no_argument, nullptr, 's'},
        {"no-subfolders", no_argument, nullptr, 'S'},
        {"export", required_argument, nullptr, 'e'},
        {"overwrite", no_argument, nullptr, 'o'},
        {"config", required_argument, nullptr, 'c'},
        {"vst", required_argument, nullptr, kOptVst},
        {"no-vst", no_argument, nullptr, kOptNoVst},
        {"wine-prefix", required_argument, nullptr, kOptWinePrefix},
        {"repeat", required_argument, nullptr, kOptRepeat},
        {"format", required_argument, nullptr, kOptFormat},
        {"hints", no_argument, nullptr, kOptHints},
        {"fail-on-missing", no_argument, nullptr, kOptFailOnMissing},
        {"quiet", no_argument, nullptr, 'q'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'V'},
        {nullptr, 0, nullptr, 0},
    };
    int c;
    while ((c = getopt_long(argc, argv, "p:f:sSe:oc:qhV", kOptions, nullptr)) != -1) {
        switch (c) {
            case 'p': options.folder = optarg; options.haveFolder = true; break;
            case 'f': options.file = optarg; options.haveFile = true; break;
            case 's': options.subfolders = true; break;
            case 'S': options.noSubfolders = true; break;
            case 'e': options.exportPath = optarg; options.haveExport = true; break;
            case 'o': options.overwrite = true; break;
            case 'c': options.config = optarg; break;
            case kOptVst: options.vstFolders.emplace_back(optarg); break;
            case kOptNoVst: options.noVst = true; break;
            case kOptWinePrefix: options.winePrefix = optarg; break;
            case kOptRepeat: options.repeat = std::atoi(optarg); break;
            case kOptFormat:
                if (!ParseExportFormat(optarg, &options.format)) {
                    std::fprintf(stderr,
                                 "quorvel: unknown --format '%s' (accepted: text, json, csv)\nTry 'quorvel --help'.\n",
                                 optarg);
                    exitCode = 2;
                    return false;
                }
                break;
            case kOptHints: options.hints = true; break;
            case kOptFailOnMissing: options.failOnMissing = true; break;
            case 'q': options.quiet = true; break;
            case 'h':
                std::fputs(kUsage, stdout);
                exitCode = 0;
                return false;
            case 'V':
                std::printf("quorvel %s\n", QUORVEL_VERSION);
                exitCode = 0;
                return false;
            default:
                std::fputs("Try 'quorvel --help'.\n", stderr);
                exitCode = 2;
                return false;
        }
    }
    for (int i = optind; i < argc; ++i) options.paths.emplace_back(argv[i]);

    const char* problem = nullptr;
    if (!options.paths.empty() && (options.haveFolder || options.haveFile))
        problem = "PATH arguments cannot be mixed with --folder or --file";
    else if (options.vstFolders.size() > 2)
        problem = "at most two --vst folders";
    else if (!options.vstFolders.empty() && options.noVst)
        problem = "--vst and --no-vst exclude each other";
    else if (options.repeat < 1 || options.repeat > 100000)
        problem = "--repeat wants a number from 1 to 100000";
    for (const std::string& folder : options.vstFolders)
        if (Absolute(folder).size() >= sizeof Settings.VstFolder1) problem = "a --vst folder path is too long";
    if (problem) {
        std::fprintf(stderr, "quorvel: %s\nTry 'quorvel --help'.\n", problem);
        exitCode = 2;
        return false;
    }
    return true;
}

// --vst / --no-vst: what confirming the configuration dialog does, then the
// folders and the inventory are stored at once.
bool Configure(const Options& options) {
    if (options.noVst) {
        Settings.VstFolder1Enabled = 0;
        Settings.VstFolder2Enabled = 0;
    } else {
        CopyTextBounded(Settings.VstFolder1, sizeof Settings.VstFolder1, Absolute(options.vstFolders[0]).c_str());
        Settings.VstFolder1Enabled = 1;
        if (options.vstFolders.size() > 1) {
            CopyTextBounded(Settings.VstFolder2, sizeof Settings.VstFolder2, Absolute(options.vstFolders[1]).c_str());
            Settings.VstFolder2Enabled = 1;
        } else {
            Settings.VstFolder2Enabled = 0;
        }
    }
    MakeFolders(PathFolder(SettingsPath()).c_str());
    const int stored = ApplyConfiguration(nullptr, static_cast<int>(Settings.ScanSubfolders));
    return SaveSettings(nullptr) && stored;
}

bool ExportTo(const Options& options) {
    if (options.exportPath == "-") {
        const std::string report = BuildExportBytes(options.format, options.hints);
        return std::fwrite(report.data(), 1, report.size(), stdout) == report.size() && std::fflush(stdout) == 0;
    }
    CommandLine = CommandLineRequest{};
    CommandLine.pending = 1;
    CommandLine.exportPath = options.exportPath;
    CommandLine.overwrite = options.overwrite ? 1 : 0;
    CommandLine.format = options.format;
    CommandLine.hints = options.hints ? 1 : 0;
    const int written = ExportReport(nullptr);
    DiscardCommandLine();
    return written != 0;
}

// Reads what the options name; true when a run took place.
bool ReadInputs(const Options& options, int& exitCode) {
    bool ranSomething = false;
    const int subfolderMode = options.noSubfolders ? 0 : options.subfolders ? 1 : 2;
    if (options.haveFolder || options.haveFile) {
        CommandLine = CommandLineRequest{};
        CommandLine.subfolderMode = subfolderMode;
        if (options.haveFolder) CommandLine.folderText = options.folder;
        if (options.haveFile) CommandLine.fileText = options.file;
        CommandLine.pending = 1;
        if (RunCommandLine(nullptr) == CommandLineOutcome::kMissingInput)
            exitCode = 1;
        else
            ranSomething = true;
    }
    for (const std::string& given : options.paths) {
        const std::string path = Absolute(given);
        if (IsFolder(path.c_str())) {
            CommandLine = CommandLineRequest{};
            CommandLine.subfolderMode = subfolderMode;
            CommandLine.folderText = path;
            CommandLine.pending = 1;
            RunCommandLine(nullptr);
            ranSomething = true;
        } else if (PathExists(path.c_str())) {
            RunDroppedFiles({path});
            ranSomething = true;
        } else {
            FrontEndShowError(nullptr,
                              TextFormat("The specified file \"%s\" could not be found!", path.c_str()).c_str());
            exitCode = 1;
        }
    }

    return ranSomething;
}

void CountFile(const char*, void* context) { ++*static_cast<size_t*>(context); }

// The files a reading of the options will start, for the progress display:
// the same walks, listed once more before the reading.
size_t CountInputs(const Options& options) {
    size_t files = 0;
    const int subfolderMode = options.noSubfolders ? 0 : options.subfolders ? 1 : 2;
    CommandLine = CommandLineRequest{};
    CommandLine.subfolderMode = subfolderMode;
    if (options.haveFolder) CommandLine.folderText = options.folder;
    if (options.haveFile) CommandLine.fileText = options.file;
    CommandLineWalk walk;
    if ((options.haveFolder || options.haveFile) && ResolveCommandLineWalk(walk))
        WalkFolder(walk.folder.c_str(), walk.pattern.c_str(), walk.recurse, CountFile, &files);
    for (const std::string& given : options.paths) {
        const std::string path = Absolute(given);
        if (IsFolder(path.c_str())) {
            CommandLine.folderText = path;
            CommandLine.fileText.reset();
            if (ResolveCommandLineWalk(walk))
                WalkFolder(walk.folder.c_str(), walk.pattern.c_str(), walk.recurse, CountFile, &files);
        } else if (MatchMaskList(PathFileName(path.c_str()), SongFilePattern) && PathExists(path.c_str())) {
            ++files;
        }
    }
    CommandLine = CommandLineRequest{};
    return files;
}

// The summary's remarks on what may explain the missing plug-ins.
void PrintMissingRemarks(const Options& options) {
    const std::vector<MissingHint> hints = BuildMissingHints();
    for (const std::string& remark : OtherKindRemarks(hints)) std::fprintf(stderr, "%s\n", remark.c_str());
    size_t close = 0;
    for (const MissingHint& hint : hints) close += hint.closeName ? 1 : 0;
    if (close == 0) return;
    // Where to look: JSON and CSV carry the names, a text report only with --hints.
    const char* where = "";
    if (options.format == ExportFormat::kText)
        where = options.hints ? " (see the hints)" : close == 1 ? " (--hints shows it)" : " (--hints shows them)";
    if (close == 1)
        std::fprintf(stderr, "1 missing plug-in has an installed plug-in of a close name%s\n", where);
    else
        std::fprintf(stderr, "%zu missing plug-ins have installed plug-ins of a close name%s\n", close, where);
}

// A line of /proc/self/status ("VmRSS", "VmHWM") in kB; -1 when unknown.
long StatusKilobytes(const char* field) {
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    long value = -1;
    char line[256];
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, status))
        if (!std::strncmp(line, field, n) && line[n] == ':') value = std::atol(line + n + 1);
    std::fclose(status);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    // Whole binary songs of tens of megabytes come and go one after another.
    // glibc's sliding mmap threshold would serve each new, larger block from
    // the heap beside the freed ones; a fixed threshold hands them back.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);

    Options options;
    int exitCode = 0;
    if (!ParseOptions(argc, argv, options, exitCode)) return exitCode;

    g_terminal.progress = !options.quiet && isatty(STDERR_FILENO);
    FrontEnd frontEnd;
    frontEnd.setStatusText = ShowStatus;
    frontEnd.enterBusy = EnterBusy;
    frontEnd.leaveBusy = LeaveBusy;
    frontEnd.messageBox = ShowMessage;
    frontEnd.getWindowRect = GetRect;
    frontEnd.setWindowRect = SetRect;
    FrontEndInstall(&frontEnd);

    SettingsSetPath(options.config.empty() ? DefaultConfigPath().c_str() : options.config.c_str());
    LoadSettings(nullptr);

    std::string prefix = options.winePrefix;
    if (prefix.empty()) {
        const char* home = std::getenv("HOME");
        if (home && *home && IsFolder(PathJoin(home, ".wine").c_str())) prefix = PathJoin(home, ".wine");
    }
    RegistrySetWinePrefix(Absolute(prefix).c_str());

    if ((!options.vstFolders.empty() || options.noVst) && !Configure(options)) exitCode = 1;

    // The reading: --folder/--file as the window's command line, PATHs as a drop.
    // With --repeat the same reading runs again after emptying the results as
    // "Reset" does, and each round's summary, report checksum and resident
    // memory go to stderr: the soak test reads them.
    bool ranSomething = false;
    for (int round = 1; round <= options.repeat; ++round) {
        if (round > 1) ClearReadingResults();
        if (g_terminal.progress) {
            g_terminal.files = CountInputs(options);
            g_terminal.started = 0;
        }
        ranSomething = ReadInputs(options, exitCode) || ranSomething;
        g_terminal.files = 0;
        if (options.repeat > 1) {
            const std::string report = BuildReport();
            std::fprintf(stderr, "Round %d: %s - report %08lx - resident %ld kB - peak %ld kB\n", round,
                         FormatStatusSummary().c_str(),
                         static_cast<unsigned long>(crc32(0, reinterpret_cast<const Bytef*>(report.data()),
                                                          static_cast<uInt>(report.size()))),
                         StatusKilobytes("VmRSS"), StatusKilobytes("VmHWM"));
        }
    }

    if (ranSomething) {
        if (options.haveExport) {
            if (!ExportTo(options)) exitCode = 1;
        } else {
            Options toStdout = options;
            toStdout.exportPath = "-";
            if (!ExportTo(toStdout)) exitCode = 1;
        }
    }
    if (!options.quiet) {
        std::fprintf(stderr, "%s\n", FormatStatusSummary().c_str());
        PrintMissingRemarks(options);
    }
    // A gate for scripts: only once the report is out, and never over a failure.
    if (options.failOnMissing && exitCode == 0 && !MissingPlugins.members.empty()) exitCode = 3;

    ClearSongList();
    PluginSetClear(UsedPlugins);
    PluginSetClear(MissingPlugins);
    PluginSetClear(InstalledPlugins);
    ForeignLibraries.clear();
    return exitCode;
}
