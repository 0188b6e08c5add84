#include "inventory/WineRegistry.h"

#include <cstring>
#include <new>

#include "platform/Text.h"
#include "platform/Utf8Text.h"

namespace {

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr uint32_t kTypeString = 1;        // REG_SZ
constexpr uint32_t kTypeExpandString = 2;  // REG_EXPAND_SZ

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}


// Escapes stand for UTF-16 code units, gathered here so that a surrogate pair
// written as two escapes becomes one character.
struct TextDecoder {
    std::string out;
    uint32_t highSurrogate = 0;

    void Unit(uint32_t unit) {
        if (highSurrogate) {
            const uint32_t high = highSurrogate;
            highSurrogate = 0;
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                AppendUtf8Character(out, 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
                return;
            }
            AppendUtf8Character(out, 0xFFFD);
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            highSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendUtf8Character(out, 0xFFFD);
        } else {
            AppendUtf8Character(out, unit);
        }
    }
    // Bytes outside escapes are taken as the file gives them (UTF-8).
    void Byte(char c) {
        Finish();
        out += c;
    }
    void Finish() {
        if (highSurrogate) AppendUtf8Character(out, 0xFFFD);
        highSurrogate = 0;
    }
};

// Decodes an escaped text up to the unescaped terminator and moves p past it.
// False when the line ends first.
bool ParseEscaped(const char*& p, const char* end, char terminator, std::string& text) {
    static const char kLetters[] = "abtnvfre";
    static const char kCodes[] = "\a\b\t\n\v\f\r\x1b";
    TextDecoder decoder;
    while (p < end && *p != terminator) {
        if (*p != '\\') {
            decoder.Byte(*p++);
            continue;
        }
        if (++p == end) return false;
        const char c = *p;
        if (const char* letter = c ? std::strchr(kLetters, c) : nullptr) {
            decoder.Unit(static_cast<unsigned char>(kCodes[letter - kLetters]));
            ++p;
        } else if (c == 'x' && p + 1 < end && HexDigit(p[1]) >= 0) {
            ++p;
            uint32_t unit = 0;
            for (int digits = 0; digits < 4 && p < end && HexDigit(*p) >= 0; ++digits)
                unit = unit * 16 + static_cast<uint32_t>(HexDigit(*p++));
            decoder.Unit(unit);
        } else if (c >= '0' && c <= '7') {
            uint32_t unit = 0;
            for (int digits = 0; digits < 3 && p < end && *p >= '0' && *p <= '7'; ++digits)
                unit = unit * 8 + static_cast<uint32_t>(*p++ - '0');
            decoder.Unit(unit);
        } else {
            // \\ \" \[ \] and any other character stand for themselves.
            decoder.Unit(static_cast<unsigned char>(c));
            ++p;
        }
    }
    if (p == end) return false;
    ++p;
    decoder.Finish();
    text = std::move(decoder.out);
    return true;
}

struct Parser {
    WineRegistry& registry;
    uint32_t current = kWineNoKey;  // the key the value lines belong to

    uint32_t Child(uint32_t parent, const std::string& name) {
        auto found = registry.keys[parent].children.find(name);
        if (found != registry.keys[parent].children.end()) return found->second;
        const uint32_t index = static_cast<uint32_t>(registry.keys.size());
        registry.keys.emplace_back();
        registry.keys.back().name = name;
        registry.keys[parent].children.emplace(name, index);
        return index;
    }

    // "[Software\\Classes\\X] 1234567890": the path up to the unescaped "]"
    // (the time stamp after it is of no interest).
    void KeyLine(const char* p, const char* end) {
        current = kWineNoKey;
        std::string path;
        if (!ParseEscaped(++p, end, ']', path)) return;
        std::vector<std::string> components;
        size_t start = 0;
        while (start <= path.size()) {
            size_t stop = path.find('\\', start);
            if (stop == std::string::npos) stop = path.size();
            if (stop > start) {
                if (stop - start > kWineMaxKeyNameLength) return;
                components.push_back(path.substr(start, stop - start));
            }
            start = stop + 1;
        }
        uint32_t key = 0;
        for (const std::string& name : components) key = Child(key, name);
        current = key;
    }

    // "@=..." or "\"name\"=..."; only string data is kept, and only while a
    // key is current. Returns false when the data is of another kind (hex,
    // dword), the only kind that Wine splits over several lines.
    bool ValueLine(const char* p, const char* end) {
        std::string name;
        if (*p == '@') {
            ++p;
        } else if (!ParseEscaped(++p, end, '"', name)) {
            return true;
        }
        while (p < end && IsBlank(*p)) ++p;
        if (p == end || *p++ != '=') return true;
        while (p < end && IsBlank(*p)) ++p;
        uint32_t type = kTypeString;
        if (static_cast<size_t>(end - p) >= 4 && std::memcmp(p, "str(", 4) == 0) {
            p += 4;
            type = 0;
            while (p < end && HexDigit(*p) >= 0 && type <= 0xFFFF)
                type = type * 16 + static_cast<uint32_t>(HexDigit(*p++));
            if (static_cast<size_t>(end - p) < 2 || p[0] != ')' || p[1] != ':') return true;
            p += 2;
        }
        if (p == end || *p != '"') return false;
        if (current == kWineNoKey || (type != kTypeString && type != kTypeExpandString)) return true;
        WineRegistryValue value;
        if (!ParseEscaped(++p, end, '"', value.data)) return true;
        value.name = std::move(name);
        value.expand = type == kTypeExpandString;
        auto& values = registry.keys[current].values;
        auto found = values.find(value.name);
        if (found != values.end()) {
            found->second = std::move(value);
        } else {
            std::string key = value.name;
            values.emplace(std::move(key), std::move(value));
        }
        return true;
    }
};

void ParseLines(const char* data, size_t size, Parser& parser) {
    const char* p = data;
    const char* end = data + size;
    bool continuing = false;  // inside a hex value split over lines with "\"
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!lineEnd) lineEnd = end;
        const char* q = p;
        p = lineEnd == end ? end : lineEnd + 1;
        if (lineEnd > q && lineEnd[-1] == '\r') --lineEnd;
        const bool splits = lineEnd > q && lineEnd[-1] == '\\';
        if (continuing) {
            continuing = splits;
            continue;
        }
        while (q < lineEnd && IsBlank(*q)) ++q;
        if (q == lineEnd) continue;
        if (*q == '[') {
            parser.KeyLine(q, lineEnd);
        } else if (*q == '@' || *q == '"') {
            continuing = !parser.ValueLine(q, lineEnd) && splits;
        }
        // Anything else (";" and "#" lines, stray text) carries nothing we read.
    }
}

}  // namespace

bool WineNameLess::operator()(std::string_view a, std::string_view b) const { return CompareNames(a, b) < 0; }

int WineRegistryParse(const char* data, size_t size, WineRegistry* registry) {
    *registry = WineRegistry{};
    if (!data) return 0;
    std::string_view text(data, size);
    const size_t firstEnd = text.find('\n');
    std::string_view first = text.substr(0, firstEnd);
    if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
    if (first != kHeader) return 0;
    try {
        registry->keys.emplace_back();
        Parser parser{*registry};
        const size_t body = firstEnd == std::string_view::npos ? size : firstEnd + 1;
        ParseLines(data + body, size - body, parser);
        for (WineRegistryKey& key : registry->keys) {
            key.subkeys.reserve(key.children.size());
            for (const auto& child : key.children) key.subkeys.push_back(child.second);
        }
        return 1;
    } catch (const std::bad_alloc&) {
        *registry = WineRegistry{};
        return 0;
    }
}

uint32_t WineRegistryFind(const WineRegistry& registry, uint32_t from, const char* path) {
    if (from >= registry.keys.size() || !path) return kWineNoKey;
    uint32_t key = from;
    std::string_view rest(path);
    while (!rest.empty()) {
        const size_t stop = rest.find('\\');
        const std::string_view name = rest.substr(0, stop);
        rest = stop == std::string_view::npos ? std::string_view() : rest.substr(stop + 1);
        if (name.empty()) continue;
        const auto& children = registry.keys[key].children;
        const auto found = children.find(name);
        if (found == children.end()) return kWineNoKey;
        key = found->second;
    }
    return key;
}

uint32_t WineRegistrySubkey(const WineRegistry& registry, uint32_t key, uint32_t index) {
    if (key >= registry.keys.size() || index >= registry.keys[key].subkeys.size()) return kWineNoKey;
    return registry.keys[key].subkeys[index];
}

const WineRegistryValue* WineRegistryFindValue(const WineRegistry& registry, uint32_t key, const char* name) {
    if (key >= registry.keys.size()) return nullptr;
    const auto& values = registry.keys[key].values;
    const auto found = values.find(std::string_view(name ? name : ""));
    return found == values.end() ? nullptr : &found->second;
}
