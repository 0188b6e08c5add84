// Why a plug-in is missing, as far as this machine can tell: a library of the
// same name built for another processor kind, or an installed plug-in whose
// name differs only in letter case, blanks, version digits or a 64-bit mark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/PluginSet.h"
#include "inventory/ForeignLibraries.h"

struct MissingHint {
    const PluginRecord* missing = nullptr;
    const ForeignLibrary* otherKind = nullptr;  // nullptr: none found
    const PluginRecord* closeName = nullptr;    // an installed plug-in; nullptr: none
};

// What two names that a user would take for the same plug-in have in
// common: lower case, without ".dll", a trailing x64/x86/amd64/win64/win32
// mark, blanks and punctuation, digits and a "v" that leads them. Empty when
// nothing is left to compare.
std::string PluginNameKey(std::string_view name);

// One entry per member of MissingPlugins, in its order; none without an
// inventory (then every used plug-in counts as missing and nothing is known).
std::vector<MissingHint> BuildMissingHints();

// "1 missing plug-in exists only as a 32-bit library" for each processor
// kind that has any, or nothing.
std::vector<std::string> OtherKindRemarks(const std::vector<MissingHint>& hints);
// "a 32-bit", "an ARM64": the kind with its article.
std::string KindWithArticle(uint16_t machine);
