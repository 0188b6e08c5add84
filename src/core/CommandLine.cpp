#include "core/CommandLine.h"

#include <cstring>

#include "platform/Text.h"

CommandLineRequest CommandLine;

namespace {

// A value runs from behind its switch to the next "/", less the character
// in front of that "/" (the separator before the next switch, normally a
// blank); without a further "/" it is the rest of the text.
std::optional<std::string> SwitchValue(const char* text, const char* name, const char* trimmed) {
    const char* at = FindTextNoCase(text, name);
    if (!at) return std::nullopt;
    const char* start = at + std::strlen(name);
    const char* slash = std::strchr(start, '/');
    std::string value;
    if (!slash) {
        value = start;
    } else if (slash > start) {
        value.assign(start, static_cast<size_t>(slash - start) - 1);
    }
    TrimChars(value, trimmed);
    return value;
}

}  // namespace

bool ParseExportFormat(const char* text, ExportFormat* format) {
    if (!text) return false;
    static const struct {
        const char* name;
        ExportFormat format;
    } kFormats[] = {{"text", ExportFormat::kText}, {"json", ExportFormat::kJson}, {"csv", ExportFormat::kCsv}};
    for (const auto& known : kFormats) {
        if (CompareNames(text, known.name) == 0) {
            *format = known.format;
            return true;
        }
    }
    return false;
}

void ParseCommandLineInto(const char* text, CommandLineRequest& request) {
    request = CommandLineRequest{};
    if (!text) return;
    if (FindTextNoCase(text, "/s-"))
        request.subfolderMode = 0;
    else if (FindTextNoCase(text, "/s+"))
        request.subfolderMode = 1;
    request.folderText = SwitchValue(text, "/p:", "\\ ");
    request.fileText = SwitchValue(text, "/f:", " ");
    request.exportPath = SwitchValue(text, "/e:", " ");
    if (request.exportPath) {
        request.overwrite = FindTextNoCase(text, "/o") ? 1 : 0;
        request.quitAfterExport = FindTextNoCase(text, "/q") ? 1 : 0;
        if (const auto format = SwitchValue(text, "/t:", " ")) ParseExportFormat(format->c_str(), &request.format);
    }
    request.pending = (request.folderText || request.fileText) ? 1 : 0;
}

void ParseCommandLine(const char* text) { ParseCommandLineInto(text, CommandLine); }

void DiscardCommandLine() {
    CommandLine.folderText.reset();
    CommandLine.fileText.reset();
    CommandLine.exportPath.reset();
    CommandLine.pending = 0;
}
