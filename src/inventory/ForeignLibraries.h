// VST libraries that a scan found built for another processor kind (a 32-bit
// plug-in beside a 64-bit program, say). This program cannot load them, so
// they are not installed; but a song that misses one deserves to hear why.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "core/PluginSet.h"

struct ForeignLibrary {
    std::string name;      // the file name, as the inventory would hold it
    std::string folder;
    uint16_t machine = 0;  // the PE machine field
};

// Keyed like the inventory, so that a missing plug-in finds its library.
using ForeignLibrarySet = std::map<std::string, ForeignLibrary, PluginNameLess>;
extern ForeignLibrarySet ForeignLibraries;

// The first library of a name wins, as in the inventory. 0 when memory ran out.
int ForeignLibraryAdd(ForeignLibrarySet& set, const char* name, const char* folder, uint16_t machine);
const ForeignLibrary* ForeignLibraryFind(const char* name);

// "32-bit", "64-bit" or "ARM64": how a user names the processor kind.
const char* MachineKindText(uint16_t machine);

// Tests a library that the loader would not map: a DLL of another processor
// kind that exports a VST entry point is recorded in ForeignLibraries.
void ProbeForeignLibrary(const char* path);
