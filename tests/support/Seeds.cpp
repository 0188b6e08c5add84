#include "support/Seeds.h"

#include <cstdio>
#include <filesystem>

namespace {

bool WriteFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int WriteSeedsMain(int argc, char** argv, const std::vector<Seed>& seeds) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "seeds");
        return 2;
    }
    const std::string folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const Seed& seed : seeds) {
        const std::string path = folder + "/" + seed.name;
        // Stop at the first failure: it is nearly always a missing or read-only
        // folder, and every later seed would only repeat the same message.
        if (!WriteFile(path, seed.bytes)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
