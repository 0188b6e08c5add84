// The collection the long runs read again and again: zipped songs naming their
// plug-ins the old and today's way, instruments, bare XML songs, legacy binary
// songs and damaged archives, spread over twenty subfolders as a user's
// collection is. QUORVEL_SOAK_SONGS sets its size (300 when unset).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct SoakCollection {
    std::vector<std::string> files;
    size_t songs = 0;
    size_t broken = 0;
};

SoakCollection WriteSoakCollection(const std::string& root);
