#include "report/CsvReport.h"

#include <charconv>
#include <map>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "platform/Utf8Text.h"
#include "report/Hints.h"

namespace {

const char kHeader[] = "kind,path,song,plugin,instances,missing,other_kind,did_you_mean,error\r\n";

// RFC 4180: a field with a comma, a quote or a line break goes in quotes,
// its quotes doubled.
void AppendField(std::string& out, std::string_view text) {
    std::string utf8;
    AppendAsUtf8(utf8, text);
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::string BuildCsvReport() {
    const bool haveInventory = !InstalledPlugins.members.empty();
    std::map<const PluginRecord*, MissingHint> hintOf;
    for (const MissingHint& hint : BuildMissingHints()) hintOf.emplace(hint.missing, hint);

    std::string out(kHeader);
    const SongEntry* song = nullptr;
    for (const auto& row : SongList) {
        if (!row->plugin) {
            song = row.get();
            continue;
        }
        if (!song) continue;
        out += "use,";
        AppendField(out, song->path);
        out += ',';
        if (song->songName) AppendField(out, *song->songName);
        out += ',';
        AppendField(out, row->plugin->name);
        out += ',';
        char digits[12];
        out.append(digits, std::to_chars(digits, digits + sizeof digits, row->plugin->count).ptr);
        out += ',';
        if (haveInventory) out += row->missing ? "yes" : "no";
        out += ',';
        const MissingHint* hint = nullptr;
        if (row->missing) {
            const PluginRecord* missing = PluginSetFind(MissingPlugins, row->plugin->name.c_str());
            const auto found = hintOf.find(missing);
            if (found != hintOf.end()) hint = &found->second;
        }
        if (hint && hint->otherKind) out += MachineKindText(hint->otherKind->machine);
        out += ',';
        if (hint && hint->closeName) AppendField(out, hint->closeName->name);
        out += ",\r\n";
    }
    for (const auto& line : ErrorList) {
        out += "error,,,,,,,,";
        AppendField(out, line);
        out += "\r\n";
    }
    return out;
}
