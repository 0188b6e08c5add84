#include "harness/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

TempFolder::TempFolder() {
    namespace fs = std::filesystem;
    std::random_device random;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        const fs::path made = base / ("quorvel-test-" + std::to_string(random()));
        if (!fs::create_directory(made, error)) continue;
        // The canonical form, so that paths compare with what getcwd gives.
        const fs::path canonical = fs::canonical(made, error);
        path = (error ? made : canonical).string();
    }
    if (path.empty()) throw std::runtime_error("no temporary folder below " + base.string());
}

TempFolder::~TempFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    // Folders a test made unreadable must be opened again to be removed.
    for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error))
        if (it->is_directory(error) && !it->is_symlink(error))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path, error);
}

std::string TempFolder::Path(const std::string& relative) const {
    return (std::filesystem::path(path) / relative).string();
}

std::string TempFolder::Write(const std::string& relative, const std::string& bytes) const {
    const auto full = std::filesystem::path(path) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full.string();
}

std::string TempFolder::MakeFolder(const std::string& relative) const {
    const auto full = std::filesystem::path(path) / relative;
    std::filesystem::create_directories(full);
    return full.string();
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

