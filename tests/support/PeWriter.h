// Writes PE library images (the files a VST folder holds) for tests, fuzz
// seeds and the benchmark: a real DLL layout with
// headers, a code section and an export directory with the given names,
// loadable by the Windows loader, without any code worth running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kPeWriterI386 = 0x014C;
inline constexpr uint16_t kPeWriterAmd64 = 0x8664;
inline constexpr uint16_t kPeWriterArm64 = 0xAA64;

// A DLL of the given kind (PE32 for i386, PE32+ otherwise) exporting the
// names. The export directory, its tables and the name texts lie in an
// ".edata" section of their own.
std::string BuildPeImage(uint16_t machine, const std::vector<std::string>& exportNames);
// The same for this program's own processor kind.
std::string NativeDllBytes(const std::vector<std::string>& exportNames);
