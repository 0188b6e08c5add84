// quorvel-bench-inventory DIR [PASSES]: the inventory scan alone, the walk of
// a VST folder with the probe as visitor, as the configuration's OK runs it.
// A first walk only counts the libraries (and brings the files into the
// cache); the median of the timed passes gives libraries per second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/FrontEnd.h"
#include "core/PluginSet.h"
#include "inventory/FolderWalk.h"
#include "inventory/VstProbe.h"
#include "inventory/WavesShell.h"

namespace {

void CountLibrary(const char*, void* context) { ++*static_cast<size_t*>(context); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: quorvel-bench-inventory DIR [PASSES]\n", stderr);
        return 2;
    }
    const int passes = argc == 3 ? std::max(1, std::atoi(argv[2])) : 5;
    FrontEndInstall(nullptr);
    size_t libraries = 0;
    WalkFolder(argv[1], "*.dll", 1, CountLibrary, &libraries);
    std::vector<double> seconds;
    size_t installed = 0;
    for (int pass = 0; pass < passes; ++pass) {
        PluginSetClear(InstalledPlugins);
        WavesEnumerated = 0;
        const auto start = std::chrono::steady_clock::now();
        WalkFolder(argv[1], "*.dll", 1, ProbeVstPlugin, nullptr);
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        installed = InstalledPlugins.members.size();
    }
    PluginSetClear(InstalledPlugins);
    std::sort(seconds.begin(), seconds.end());
    const double median = seconds[seconds.size() / 2];
    std::printf("libraries %zu installed %zu seconds %.4f per_second %.0f\n", libraries, installed, median,
                static_cast<double>(libraries) / median);
    return libraries ? 0 : 1;
}
