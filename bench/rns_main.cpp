// quorvel-bench-rns DIR [PASSES]: the binary song reader alone. Every *.rns
// below DIR is loaded first; then each pass reads all images with ReadRnsSong,
// and the median pass gives the reader's speed in MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "core/Results.h"
#include "readers/RnsReader.h"

namespace fs = std::filesystem;

namespace {

struct Image {
    std::string path;
    HeapBuffer bytes;
    size_t size = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: quorvel-bench-rns DIR [PASSES]\n", stderr);
        return 2;
    }
    const int passes = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    FrontEndInstall(nullptr);
    std::vector<Image> images;
    uint64_t total = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(argv[1], error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error) || it->path().extension() != ".rns") continue;
        Image image;
        image.path = it->path().string();
        if (!LoadFileIntoMemory(image.path.c_str(), image.bytes, &image.size)) continue;
        total += image.size;
        images.push_back(std::move(image));
    }
    if (images.empty()) {
        std::fputs("quorvel-bench-rns: no readable .rns files\n", stderr);
        return 1;
    }
    std::vector<double> seconds;
    size_t references = 0;
    for (int pass = 0; pass < passes; ++pass) {
        references = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const Image& image : images) {
            std::unique_ptr<SongEntry> entry = NewSongEntry(image.path.c_str());
            if (!entry) return 1;
            ReadRnsSong(image.path.c_str(), image.bytes.get(), image.size, *entry);
            for (const auto& member : entry->plugins->members) references += member.second.count;
        }
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        PluginSetClear(UsedPlugins);
        PluginSetClear(MissingPlugins);
    }
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("files %zu bytes %llu references %zu errors %zu seconds %.4f mb_per_second %.1f\n", images.size(),
                static_cast<unsigned long long>(total), references, ErrorList.size(), median,
                static_cast<double>(total) / 1e6 / median);
    return 0;
}
