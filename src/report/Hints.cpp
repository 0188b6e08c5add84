#include "report/Hints.h"

#include <map>
#include <new>

#include "platform/Text.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '_' || c == '-' || c == '.' || c == '(' || c == ')' || c == '[' || c == ']' ||
           c == '\t' || c == '+' || c == ',';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

std::string PluginNameKey(std::string_view name) {
    std::string lower(name.substr(0, name.find('\0')));
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    std::string_view stem(lower);
    if (EndsWith(stem, ".dll")) stem.remove_suffix(4);
    // Marks of the processor kind, innermost last: "Delay (x64)", "Delay_x86_64".
    for (bool cut = true; cut;) {
        while (!stem.empty() && IsSeparator(stem.back())) stem.remove_suffix(1);
        cut = false;
        for (std::string_view mark : {"x86_64", "amd64", "win64", "win32", "x64", "x86"}) {
            if (EndsWith(stem, mark)) {
                stem.remove_suffix(mark.size());
                cut = true;
                break;
            }
        }
    }
    std::string key;
    for (size_t i = 0; i < stem.size(); ++i) {
        const char c = stem[i];
        if (IsSeparator(c) || IsDigit(c)) continue;
        // "v2", "V1.5": the letter belongs to the version, not to the name.
        const bool versionLead = c == 'v' && i + 1 < stem.size() && IsDigit(stem[i + 1]) &&
                                 (i == 0 || IsSeparator(stem[i - 1]) || IsDigit(stem[i - 1]));
        if (!versionLead) key += c;
    }
    return key;
}

std::vector<MissingHint> BuildMissingHints() {
    std::vector<MissingHint> hints;
    if (InstalledPlugins.members.empty()) return hints;
    try {
        // The first installed name of each key, in the inventory's order.
        std::map<std::string, const PluginRecord*> byKey;
        for (const auto& member : InstalledPlugins.members) {
            std::string key = PluginNameKey(member.second.name);
            if (!key.empty()) byKey.emplace(std::move(key), &member.second);
        }
        hints.reserve(MissingPlugins.members.size());
        for (const auto& member : MissingPlugins.members) {
            MissingHint hint;
            hint.missing = &member.second;
            hint.otherKind = ForeignLibraryFind(member.second.name.c_str());
            const auto close = byKey.find(PluginNameKey(member.second.name));
            if (close != byKey.end()) hint.closeName = close->second;
            hints.push_back(hint);
        }
    } catch (const std::bad_alloc&) {
        hints.clear();
    }
    return hints;
}

std::string KindWithArticle(uint16_t machine) {
    const std::string kind = MachineKindText(machine);
    const bool vowel = std::string_view("AEIOUaeiou").find(kind[0]) != std::string_view::npos;
    return (vowel ? "an " : "a ") + kind;
}

std::vector<std::string> OtherKindRemarks(const std::vector<MissingHint>& hints) {
    std::map<uint16_t, int> counts;
    for (const MissingHint& hint : hints)
        if (hint.otherKind) ++counts[hint.otherKind->machine];
    std::vector<std::string> remarks;
    for (const auto& [machine, count] : counts) {
        if (count == 1)
            remarks.push_back("1 missing plug-in exists only as " + KindWithArticle(machine) + " library");
        else
            remarks.push_back(TextFormat("%d missing plug-ins exist only as %s libraries", count, MachineKindText(machine)));
    }
    return remarks;
}
