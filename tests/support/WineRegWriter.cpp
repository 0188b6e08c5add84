#include "support/WineRegWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

// Only the backslash and the terminator need a backslash: the reader takes
// every other byte as it stands (its own tests cover the escapes Wine writes
// beyond ASCII).
std::string Escaped(const std::string& text, char terminator) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == terminator) out += '\\';
        out += c;
    }
    return out;
}

// A key's default value ("@").
std::string DefaultValueLine(const std::string& text) { return "@=\"" + Escaped(text, '"') + "\"\n"; }

}  // namespace

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
        out.append("\n[").append(Escaped(path, ']')).append(line);
        ++stamp;
    };
    for (size_t i = 0; i < classes.size(); ++i) {
        const WineClass& c = classes[i];
        const std::string path = "Software\\Classes\\CLSID\\" + (c.clsid.empty() ? WineClsid(i) : c.clsid);
        key(path);
        if (c.hasDescription) out += DefaultValueLine(c.description);
        if (!c.hasServerKey) continue;
        key(path + "\\InprocServer32");
        out += DefaultValueLine(c.libraryPath) + "\"ThreadingModel\"=\"Both\"\n";
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
    const size_t start = windowsPath.find_first_not_of('\\', windowsPath.size() >= 2 && windowsPath[1] == ':' ? 2 : 0);
    std::string rest = windowsPath.substr(std::min(start, windowsPath.size()));
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return root + "/drive_c/" + rest;
}
