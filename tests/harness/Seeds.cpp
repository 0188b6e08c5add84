#include "harness/Seeds.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

void KeepSeed(const char* target, std::string_view bytes) {
    const char* root = std::getenv("QUORVEL_SEED_DIR");
    // Inputs of megabytes (the depth and size tests) only slow a fuzzer down.
    if (!root || !*root || bytes.size() > (1u << 20)) return;
    const std::string folder = std::string(root) + "/" + target + "_fuzzer";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    char name[32];
    std::snprintf(name, sizeof name, "/%08lx-%zu", static_cast<unsigned long>(crc), bytes.size());
    // Tests run in parallel and may keep the same input: each writes its own
    // file and renames it over the seed, so a replay never sees half a seed.
    const std::string path = folder + name;
    static unsigned kept = 0;
    const std::string partial = path + ".part" + std::to_string(getpid()) + "-" + std::to_string(++kept);
    FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) == 0 && written) std::filesystem::rename(partial, path, error);
    std::filesystem::remove(partial, error);
}

void KeepSongFileSeed(std::string_view name, std::string_view bytes) {
    static const char* const kKinds[] = {".xrns", ".xrni", ".xml", ".rns"};
    for (int kind = 0; kind < 4; ++kind) {
        const std::string_view extension = kKinds[kind];
        if (name.size() < extension.size()) continue;
        std::string tail(name.substr(name.size() - extension.size()));
        for (char& c : tail) c = static_cast<char>(c | 0x20);
        if (tail != extension) continue;
        KeepSeed("songfile", std::string(1, static_cast<char>(kind)) + std::string(bytes));
        return;
    }
}
