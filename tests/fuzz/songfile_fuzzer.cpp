// Feeds arbitrary files to the song reader as a whole, as a run does: the
// first byte picks the kind (the name's extension), the rest is the file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/Results.h"
#include "harness/Seeds.h"
#include "readers/SongReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string path = "/tmp/quorvel-fuzz-" + std::to_string(getpid()) + kSongFileKinds[data[0] % 4];
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
    ReadSongFile(path.c_str(), nullptr);
    std::remove(path.c_str());
    ClearReadingResults();
    return 0;
}
