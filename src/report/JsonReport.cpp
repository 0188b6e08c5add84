#include "report/JsonReport.h"

#include <charconv>
#include <cstdint>

#include "core/PluginSet.h"
#include "core/Results.h"
#include "platform/Utf8Text.h"
#include "report/Hints.h"

namespace {

void AppendNumber(std::string& out, int64_t value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A JSON string. Only ASCII bytes need escapes, and no byte of a multi-byte
// UTF-8 sequence is ASCII, so runs between them go through as they are.
void AppendString(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    text = text.substr(0, text.find('\0'));
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            size_t run = i + 1;
            while (run < text.size()) {
                const unsigned char r = static_cast<unsigned char>(text[run]);
                if (r < 0x20 || r >= 0x80 || r == '"' || r == '\\') break;
                ++run;
            }
            out.append(text, i, run - i);
            i = run;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c == '\t') {
            out += "\\t";
            ++i;
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
            ++i;
        } else if (const size_t length = Utf8SequenceLength(text.substr(i))) {
            out.append(text, i, length);
            i += length;
        } else {
            // Not UTF-8: visibly escaped, as the character the byte is in
            // the ANSI code page that 8-bit paths come from.
            const uint32_t character = Windows1252Character(c);
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(character >> shift) & 0xF];
            ++i;
        }
    }
    out += '"';
}

void AppendKey(std::string& out, const char* indent, const char* key) {
    out += indent;
    out += '"';
    out += key;
    out += "\": ";
}

// The comma that ends the member before, then the key of the next.
void AppendNextKey(std::string& out, const char* indent, const char* key) {
    out += ",\n";
    AppendKey(out, indent, key);
}

constexpr char kSongIndent[] = "      ";

void AppendOptionalText(std::string& out, const std::optional<std::string>& text) {
    if (text)
        AppendString(out, *text);
    else
        out += "null";
}

void AppendOptionalNumber(std::string& out, int32_t value) {
    if (value != 0)
        AppendNumber(out, value);
    else
        out += "null";
}

void AppendBool(std::string& out, bool value) { out += value ? "true" : "false"; }

// The plug-in rows behind the song row at index.
void AppendSongPlugins(std::string& out, size_t index, bool haveInventory) {
    size_t end = index + 1;
    while (end < SongList.size() && SongList[end]->plugin) ++end;
    if (end == index + 1) {
        out += "[]";
        return;
    }
    out += "[\n";
    for (size_t i = index + 1; i < end; ++i) {
        const SongEntry& row = *SongList[i];
        out += "        {\"name\": ";
        AppendString(out, row.plugin->name);
        out += ", \"instances\": ";
        AppendNumber(out, row.plugin->count);
        out += ", \"missing\": ";
        if (haveInventory)
            AppendBool(out, row.missing != 0);
        else
            out += "null";
        out += i + 1 < end ? "},\n" : "}\n";
    }
    out += "      ]";
}

void AppendSongs(std::string& out, bool haveInventory) {
    AppendKey(out, "  ", "songs");
    bool first = true;
    out += '[';
    for (size_t i = 0; i < SongList.size(); ++i) {
        const SongEntry& song = *SongList[i];
        if (song.plugin) continue;
        out += first ? "\n" : ",\n";
        first = false;
        out += "    {\n";
        AppendKey(out, kSongIndent, "ordinal");
        AppendNumber(out, song.ordinal);
        AppendNextKey(out, kSongIndent, "path");
        AppendString(out, song.path);
        AppendNextKey(out, kSongIndent, "artist");
        AppendOptionalText(out, song.artist);
        AppendNextKey(out, kSongIndent, "songName");
        AppendOptionalText(out, song.songName);
        AppendNextKey(out, kSongIndent, "bpm");
        AppendOptionalNumber(out, song.bpm);
        AppendNextKey(out, kSongIndent, "tpl");
        AppendOptionalNumber(out, song.tpl);
        AppendNextKey(out, kSongIndent, "plugins");
        AppendSongPlugins(out, i, haveInventory);
        out += "\n    }";
    }
    out += first ? "]" : "\n  ]";
}

// One line per member: name and folder, as the inventory lists them.
void AppendRecord(std::string& out, const PluginRecord& record) {
    out += "    {\"name\": ";
    AppendString(out, record.name);
    out += ", \"folder\": ";
    AppendString(out, record.folder);
    out += '}';
}

template <typename Visit>
void AppendList(std::string& out, const char* key, Visit visit) {
    AppendKey(out, "  ", key);
    out += '[';
    bool first = true;
    visit([&out, &first]() -> std::string& {
        out += first ? "\n" : ",\n";
        first = false;
        return out;
    });
    out += first ? "]" : "\n  ]";
}

void AppendMissing(std::string& out) {
    const std::vector<MissingHint> hints = BuildMissingHints();
    AppendList(out, "missing", [&hints](auto next) {
        for (const MissingHint& hint : hints) {
            std::string& o = next();
            o += "    {\"name\": ";
            AppendString(o, hint.missing->name);
            o += ", \"otherKind\": ";
            if (hint.otherKind) {
                AppendString(o, MachineKindText(hint.otherKind->machine));
                o += ", \"otherKindFolder\": ";
                AppendString(o, hint.otherKind->folder);
            } else {
                o += "null, \"otherKindFolder\": null";
            }
            o += ", \"didYouMean\": ";
            if (hint.closeName)
                AppendString(o, hint.closeName->name);
            else
                o += "null";
            o += '}';
        }
    });
}

}  // namespace

std::string BuildJsonReport() {
    const bool haveInventory = !InstalledPlugins.members.empty();
    std::string out;
    size_t estimate = 256;
    for (const auto& row : SongList) estimate += row->plugin ? row->plugin->name.size() + 64 : row->path.size() + 192;
    for (const auto& line : ErrorList) estimate += line.size() + 8;
    estimate += InstalledPlugins.members.size() * 96;
    out.reserve(estimate);

    out += "{\n";
    AppendKey(out, "  ", "inventory");
    AppendBool(out, haveInventory);
    out += ",\n";
    AppendSongs(out, haveInventory);
    out += ",\n";
    if (haveInventory) {
        AppendMissing(out);
        out += ",\n";
        AppendList(out, "unused", [](auto next) {
            // While nothing is used, nothing counts as unused (as on the tab).
            if (UsedPlugins.members.empty()) return;
            for (const auto& member : InstalledPlugins.members)
                if (!PluginSetContains(UsedPlugins, member.second.name.c_str())) AppendRecord(next(), member.second);
        });
    } else {
        AppendKey(out, "  ", "missing");
        out += "null,\n";
        AppendKey(out, "  ", "unused");
        out += "null";
    }
    out += ",\n";
    AppendList(out, "installed", [](auto next) {
        for (const auto& member : InstalledPlugins.members) AppendRecord(next(), member.second);
    });
    out += ",\n";
    AppendList(out, "errors", [](auto next) {
        for (const auto& line : ErrorList) {
            std::string& o = next();
            o += "    ";
            AppendString(o, line);
        }
    });
    out += "\n}\n";
    return out;
}
