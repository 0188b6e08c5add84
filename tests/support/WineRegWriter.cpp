#include "support/WineRegWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// UTF-8 to UTF-16 code units; a byte that starts no valid sequence stands
// for itself (as Latin-1), so every input has some spelling.
std::vector<uint32_t> Utf16Units(std::string_view text) {
    std::vector<uint32_t> units;
    for (size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t extra = lead >= 0xF0 && lead < 0xF8 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC2 && lead < 0xE0 ? 1 : 0;
        uint32_t code = extra == 3 ? lead & 0x07u : extra == 2 ? lead & 0x0Fu : extra == 1 ? lead & 0x1Fu : lead;
        bool valid = lead < 0x80 || extra > 0;
        for (size_t k = 1; valid && k <= extra; ++k) {
            if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) valid = false;
            else code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
        }
        if (!valid) {
            units.push_back(lead);
            ++i;
            continue;
        }
        i += extra + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(0xD800 + (code >> 10));
            units.push_back(0xDC00 + (code & 0x3FF));
        } else {
            units.push_back(code);
        }
    }
    return units;
}

bool IsHexChar(uint32_t unit) {
    return (unit >= '0' && unit <= '9') || (unit >= 'a' && unit <= 'f') || (unit >= 'A' && unit <= 'F');
}

// Appends in place: GCC 12 at -O3 misreads "\"" + text as an overlapping
// copy (-Wrestrict).
std::string Quoted(const std::string& text) {
    std::string quoted(1, '"');
    quoted += WineRegEscape(text, '"');
    quoted += '"';
    return quoted;
}

// A string value; an empty name is the key's default value ("@").
std::string ValueLine(const std::string& name, const std::string& text) {
    std::string line = name.empty() ? std::string("@") : Quoted(name);
    line += '=';
    line += Quoted(text);
    return line += '\n';
}

}  // namespace

std::string WineRegEscape(std::string_view text, char terminator) {
    static const char kEscapes[] = ".......abtnvfr.............e....";
    const std::vector<uint32_t> units = Utf16Units(text);
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        const uint32_t unit = units[i];
        const uint32_t next = i + 1 < units.size() ? units[i + 1] : 0;
        char piece[16];
        if (unit > 127) {
            std::snprintf(piece, sizeof piece, IsHexChar(next) ? "\\x%04x" : "\\x%x", unit);
            out += piece;
        } else if (unit < 32) {
            if (kEscapes[unit] != '.') {
                out += '\\';
                out += kEscapes[unit];
            } else {
                std::snprintf(piece, sizeof piece, next >= '0' && next <= '7' ? "\\%03o" : "\\%o", unit);
                out += piece;
            }
        } else {
            if (unit == '\\' || unit == static_cast<unsigned char>(terminator)) out += '\\';
            out += static_cast<char>(unit);
        }
    }
    return out;
}

std::string WineClsid(size_t index) {
    char text[64];
    std::snprintf(text, sizeof text, "{%08zX-51A5-4F3E-9C2D-%012zX}", index, index * 7919 + 1);
    return text;
}

std::string WineSystemReg(const std::vector<WineClass>& classes) {
    std::string out = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n";
    uint64_t stamp = 1700000000;
    const auto key = [&](const std::string& path) {
        char line[96];
        std::snprintf(line, sizeof line, "] %llu\n#time=1da%013llx\n", static_cast<unsigned long long>(stamp),
                      static_cast<unsigned long long>(stamp * 1000));
        out += "\n[" + WineRegEscape(path, ']') + line;
        ++stamp;
    };
    for (size_t i = 0; i < classes.size(); ++i) {
        const WineClass& c = classes[i];
        const std::string path = "Software\\Classes\\CLSID\\" + (c.clsid.empty() ? WineClsid(i) : c.clsid);
        key(path);
        if (c.hasDescription) out += ValueLine("", c.description);
        if (!c.hasServerKey) continue;
        key(path + "\\InprocServer32");
        out += ValueLine("", c.libraryPath);
        out += ValueLine("ThreadingModel", "Both");
    }
    return out;
}

bool MakeWinePrefix(const std::string& root, const std::string& systemReg) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(root) / "drive_c", error);
    fs::create_directories(fs::path(root) / "dosdevices", error);
    if (error) return false;
    const fs::path link = fs::path(root) / "dosdevices" / "c:";
    fs::remove(link, error);
    fs::create_directory_symlink("../drive_c", link, error);
    if (error) return false;
    std::ofstream out(fs::path(root) / "system.reg", std::ios::binary | std::ios::trunc);
    out << systemReg;
    return static_cast<bool>(out.flush());
}

std::string WinePrefixFile(const std::string& root, const std::string& windowsPath) {
    std::string path = root + "/drive_c";
    size_t start = windowsPath.size() >= 2 && windowsPath[1] == ':' ? 2 : 0;
    while (start < windowsPath.size()) {
        size_t stop = windowsPath.find('\\', start);
        if (stop == std::string::npos) stop = windowsPath.size();
        if (stop > start) {
            path += '/';
            path.append(windowsPath, start, stop - start);
        }
        start = stop + 1;
    }
    return path;
}
