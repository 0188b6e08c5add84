#include "harness/Seeds.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/ZipWriter.h"

void KeepSeed(const char* target, std::string_view bytes) {
    namespace fs = std::filesystem;
    const char* root = std::getenv("QUORVEL_SEED_DIR");
    // Inputs of megabytes (the depth and size tests) only slow a fuzzer down.
    if (!root || !*root || bytes.size() > (1u << 20)) return;
    const fs::path folder = fs::path(root) / (std::string(target) + "_fuzzer");
    std::error_code error;
    fs::create_directories(folder, error);
    char name[32];
    std::snprintf(name, sizeof name, "%08lx-%zu", static_cast<unsigned long>(Crc32Of(bytes)), bytes.size());
    // Tests run in parallel and may keep the same input: each writes its own
    // file and renames it over the seed, so a replay never sees half a seed.
    static unsigned kept = 0;
    const fs::path path = folder / name;
    const fs::path partial = path.string() + ".part" + std::to_string(getpid()) + "-" + std::to_string(++kept);
    std::ofstream out(partial, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out) fs::rename(partial, path, error);
    fs::remove(partial, error);
}

void KeepSongFileSeed(std::string_view name, std::string_view bytes) {
    std::string extension = std::filesystem::path(name).extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (char kind = 0; kind < 4; ++kind)
        if (extension == kSongFileKinds[static_cast<int>(kind)]) KeepSeed("songfile", kind + std::string(bytes));
}
