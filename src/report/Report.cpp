#include "report/Report.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>

#include "core/CommandLine.h"
#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "report/CsvReport.h"
#include "report/Hints.h"
#include "report/JsonReport.h"
#include "settings/SettingsFile.h"

namespace {

const char kSongsHeader[] =
    "--- Processed songs and instruments: -------------------------------------------\r\n";
const char kMissingHeader[] =
    "\r\n\r\n\r\n--- Missing plugins: -----------------------------------------------------------\r\n\r\n\r\n\r\n";
const char kUnusedHeader[] =
    "\r\n\r\n\r\n--- Unused plugins: ------------------------------------------------------------\r\n\r\n\r\n\r\n";
const char kInstalledHeader[] =
    "\r\n\r\n\r\n--- Installed plugins: ---------------------------------------------------------\r\n\r\n\r\n\r\n";
const char kErrorsHeader[] =
    "\r\n\r\n\r\n--- Errors: --------------------------------------------------------------------\r\n\r\n\r\n\r\n";
const char kHintsHeader[] =
    "\r\n--- Hints: ---------------------------------------------------------------------\r\n\r\n\r\n\r\n";
const char kInfoNotAvailable[] = "Info not available!\r\n";
const char kCrLf[] = "\r\n";


// Texts go in as "%s" would take them: up to their first zero byte, so the
// report never holds a NUL.
void AppendText(std::string& out, const std::string& text) { out.append(text.c_str()); }

void AppendInt(std::string& out, int32_t value) {
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

void AppendItem(std::string& out, const std::string& name) {
    out.append("- ");
    AppendText(out, name);
    out.append(kCrLf);
}

// Room for the whole report, so that 5,000 songs cost one allocation rather
// than a run of regrowths.
size_t EstimateSize() {
    size_t size = 1024;
    for (const auto& row : SongList) {
        if (row->plugin) {
            size += row->plugin->name.size() + 56;
            continue;
        }
        size += row->path.size() + 96;
        if (row->artist) size += row->artist->size();
        if (row->songName) size += row->songName->size();
    }
    for (const PluginSet* set : {&MissingPlugins, &InstalledPlugins, &InstalledPlugins})
        for (const auto& member : set->members) size += member.second.name.size() + 4;
    for (const auto& line : ErrorList) size += line.size() + 2;
    return size;
}

void AppendSongRow(std::string& out, const SongEntry& song) {
    out.append("\r\n\r\n\r\n");
    AppendInt(out, static_cast<int32_t>(song.ordinal));
    out.append(" - ");
    AppendText(out, song.path);
    out.append("\r\n\r\n");

    out.append("Artist: ");
    if (song.artist)
        AppendText(out, *song.artist);
    else
        out.append("n/a");
    out.append(kCrLf);
    out.append("Songname: ");
    if (song.songName)
        AppendText(out, *song.songName);
    else
        out.append("n/a");
    out.append(kCrLf);

    // A TPL without a BPM is not shown.
    if (song.bpm != 0) {
        out.append("BPM: ");
        AppendInt(out, song.bpm);
        if (song.tpl != 0) {
            out.append(" - TPL: ");
            AppendInt(out, song.tpl);
            out.append("\r\n\r\n");
        } else {
            out.append(" - TPL: n/a\r\n\r\n");
        }
    } else {
        out.append("BPM: n/a - TPL: n/a\r\n\r\n");
    }
    if (!song.plugins || song.plugins->members.empty()) out.append("No plugins used!\r\n");
}

void AppendPluginRow(std::string& out, const SongEntry& row) {
    out.append("- ");
    AppendText(out, row.plugin->name);
    if (!InstalledPlugins.members.empty()) {
        out.append(" - Instances used: ");
        AppendInt(out, static_cast<int32_t>(row.plugin->count));
        if (row.missing) out.append(" - Plugin not found!");
    }
    out.append(kCrLf);
}

void AppendPluginSections(std::string& out) {
    const bool haveInventory = !InstalledPlugins.members.empty();

    out.append(kMissingHeader);
    if (!haveInventory) {
        out.append(kInfoNotAvailable);
    } else {
        int32_t lines = 0;
        if (!UsedPlugins.members.empty() && !MissingPlugins.members.empty()) {
            for (const auto& member : MissingPlugins.members) {
                AppendItem(out, member.second.name);
                ++lines;
            }
        }
        if (lines == 0) out.append("No missing plugins found!\r\n");
    }

    out.append(kUnusedHeader);
    if (!haveInventory) {
        out.append(kInfoNotAvailable);
    } else {
        int32_t lines = 0;
        // While nothing is used, nothing counts as unused (as on the tab).
        if (!UsedPlugins.members.empty()) {
            for (const auto& member : InstalledPlugins.members) {
                if (PluginSetContains(UsedPlugins, member.second.name.c_str())) continue;
                AppendItem(out, member.second.name);
                ++lines;
            }
        }
        if (lines == 0) out.append("No unused plugins found!\r\n");
    }

    out.append(kInstalledHeader);
    if (!haveInventory) {
        out.append(kInfoNotAvailable);
    } else {
        for (const auto& member : InstalledPlugins.members) AppendItem(out, member.second.name);
    }
}

void SetExportFolder(const std::string& chosenPath, bool fromDialog) {
    if (!fromDialog) {
        Settings.ExportFolder[0] = '\0';
        return;
    }
    // A folder that does not fit would be cut into some other folder's
    // name: the next dialog then opens in the system's default instead.
    Settings.ExportFolder[0] = '\0';
    try {
        const std::string folder = PathFolder(chosenPath.c_str());
        if (folder.size() < sizeof Settings.ExportFolder)
            CopyTextBounded(Settings.ExportFolder, sizeof Settings.ExportFolder, folder.c_str());
    } catch (const std::bad_alloc&) {
    }
}

}  // namespace

std::string BuildReport() {
    std::string out;
    out.reserve(EstimateSize());
    out.append(kSongsHeader);
    for (const auto& row : SongList) {
        if (!row->plugin)
            AppendSongRow(out, *row);
        else
            AppendPluginRow(out, *row);
    }
    AppendPluginSections(out);
    out.append(kErrorsHeader);
    if (ErrorList.empty()) {
        out.append("No errors occured!\r\n");
    } else {
        for (const auto& line : ErrorList) {
            AppendText(out, line);
            out.append(kCrLf);
        }
    }
    out.append("\r\n\r\n");
    return out;
}

std::string BuildHintsAppendix() {
    std::string out(kHintsHeader);
    if (InstalledPlugins.members.empty()) {
        out.append(kInfoNotAvailable);
    } else if (UsedPlugins.members.empty() || MissingPlugins.members.empty()) {
        out.append("No missing plugins found!\r\n");
    } else {
        size_t lines = 0;
        for (const MissingHint& hint : BuildMissingHints()) {
            const char* name = hint.missing->name.c_str();
            if (hint.otherKind) {
                const std::string path = PathJoin(hint.otherKind->folder, hint.otherKind->name);
                out += TextFormat("%s missing \xE2\x80\x94 exists only as %s library: %s\r\n", name,
                                  KindWithArticle(hint.otherKind->machine).c_str(), path.c_str());
                ++lines;
            }
            if (hint.closeName) {
                out += TextFormat("%s missing \xE2\x80\x94 did you mean %s?\r\n", name, hint.closeName->name.c_str());
                ++lines;
            }
        }
        if (lines == 0) out.append("No hints for the missing plugins!\r\n");
    }
    out.append("\r\n\r\n");
    return out;
}

std::string BuildExportBytes(ExportFormat format, bool hints) {
    switch (format) {
        case ExportFormat::kJson: return BuildJsonReport();
        case ExportFormat::kCsv: return BuildCsvReport();
        case ExportFormat::kText: break;
    }
    std::string report = BuildReport();
    if (hints) report += BuildHintsAppendix();
    return report;
}

int ExportReport(void* owner) {
    std::string path;
    const bool fromDialog = !CommandLine.pending;
    try {
        if (fromDialog) {
            if (!FrontEndChooseExportFile(owner, path)) return 0;
        } else {
            path = CommandLine.exportPath.value_or(std::string());
            if (!CommandLine.overwrite && PathExists(path.c_str())) {
                const std::string question = TextFormat(
                    "The specified export file \"%s\" already exists!\n\nOverwrite it?", path.c_str());
                if (FrontEndMessageBox(nullptr, question.c_str(), "Warning", kMbOkCancel | kMbIconWarning) != kIdOk) {
                    CommandLine.quitAfterExport = 0;
                    return 0;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }

    FilePtr file(FileOpenWrite(path.c_str(), FileCreate::kAlways));
    if (!file) {
        SetExportFolder(path, fromDialog);
        FrontEndShowError(owner, "Could not open file for writing!");
        return 0;
    }
    bool written = false;
    try {
        const std::string report = fromDialog ? BuildReport()
                                              : BuildExportBytes(CommandLine.format, CommandLine.hints != 0);
        // The sync makes a full disk show here rather than pass unnoticed.
        written = FileWrite(file.get(), report.data(), report.size()) && FileSync(file.get());
    } catch (const std::bad_alloc&) {
        written = false;
    }
    file.reset();
    SetExportFolder(path, fromDialog);
    if (!written) {
        FrontEndShowError(owner, "Could not write file!");
        return 0;
    }
    return 1;
}
