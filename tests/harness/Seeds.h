// The inputs the tests hand a parser are the starting corpus of that parser's
// fuzz target: every structure a test builds is one the fuzzer should mutate.
#pragma once

#include <string_view>

// With QUORVEL_SEED_DIR set, keeps bytes as a seed of <target>_fuzzer in
// QUORVEL_SEED_DIR/<target>_fuzzer/, named by content; without it, nothing.
void KeepSeed(const char* target, std::string_view bytes);
// A file for the song reader's target: its first byte names the kind
// (the index in kSongFileKinds) that the file name's extension gives.
void KeepSongFileSeed(std::string_view name, std::string_view bytes);
inline constexpr const char* kSongFileKinds[] = {".xrns", ".xrni", ".xml", ".rns"};
