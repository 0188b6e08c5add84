// The shared main of the fuzz seed writers (seeds_<name>_main.cpp): each
// program only lists its seeds and hands them here.
#pragma once

#include <string>
#include <vector>

// A named seed file and its bytes.
struct Seed {
    std::string name;
    std::string bytes;
};

// The main of every seed writer: writes each seed into the folder argv[1];
// 0 on success, 1 when a file could not be written, 2 on a usage error.
int WriteSeedsMain(int argc, char** argv, const std::vector<Seed>& seeds);
