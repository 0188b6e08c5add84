#include "support/WinePrefix.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

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
