// quorvel-bench-rns DIR [PASSES]: the binary song reader alone. Every *.rns
// below DIR is loaded first; then each pass reads all images with ReadRnsSong,
// and the median pass gives the reader's speed in MB/s; then one image of the
// chunk search's worst case is read once.
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

// The worst case of the chunk search: 8 MiB of chunk tags, each followed by a
// near-miss of the end marker and none by the marker itself. Every tag searches
// forward for its marker; a search that started anew from each tag would make
// this quadratic (hours), the reader's single pass keeps it linear.
constexpr size_t kWorstCaseBytes = 8 * 1024 * 1024;

double WorstCaseSeconds() {
    std::string song("RNS018\0\0\0", 9);
    const std::string unit("TrackDsp V00       \0>>>  Chunk End  <<x", 39);
    while (song.size() < kWorstCaseBytes) song += unit;
    std::unique_ptr<SongEntry> entry = NewSongEntry("/worst.rns");
    const auto start = std::chrono::steady_clock::now();
    ReadRnsSong("/worst.rns", song.data(), song.size(), *entry);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ClearErrorList();
    return seconds;
}

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
    const size_t errors = ErrorList.size();
    const double worst = WorstCaseSeconds();
    std::printf("files %zu bytes %llu references %zu errors %zu seconds %.4f mb_per_second %.1f"
                " worst_seconds %.4f worst_mb_per_second %.1f\n",
                images.size(), static_cast<unsigned long long>(total), references, errors, median,
                static_cast<double>(total) / 1e6 / median, worst, static_cast<double>(kWorstCaseBytes) / 1e6 / worst);
    return 0;
}
