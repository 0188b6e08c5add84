// Long runs: the Linux program reads one collection many times in one process,
// emptying the results between rounds as "Reset" does. Every round must give
// the same results, and memory must not creep. `make soak` sets
// QUORVEL_SOAK_SONGS=5000.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Process.h"
#include "support/PeWriter.h"
#include "support/SoakCollection.h"

TEST(LongRunTest, TwentyRoundsGiveTheSameResultsWithoutMemoryCreeping) {
    TempFolder temp;
    const size_t broken = WriteSoakCollection(temp.Path("songs")).broken;
    for (int i = 0; i < 30; ++i) temp.Write("vst/Synth" + std::to_string(i) + ".dll", NativeDllBytes({"VSTPluginMain"}));
    temp.Write("vst/Delay.dll", NativeDllBytes({"main"}));

    // The child's sanitizer, if any, must not hold freed memory back, or its
    // quarantine would look like growth.
    std::string asan = "ASAN_OPTIONS=quarantine_size_mb=0";
    if (const char* outer = std::getenv("ASAN_OPTIONS")) asan += std::string(":") + outer;
    const auto result = RunProcess(CliPath(),
                                   {"-q", "-c", temp.Path("quorvel.cfg"), "--vst", temp.Path("vst"), "--repeat", "20",
                                    "-s", "-e", temp.Path("report.txt"), temp.Path("songs")},
                                   "", {"HOME=" + temp.path, asan});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // "Round N: <summary> - report <crc> - resident <kB> kB - peak <kB> kB": every round
    // the same summary and report as the first.
    std::vector<std::string> rounds;
    std::vector<long> resident;
    std::istringstream lines(result.err);
    for (std::string line; std::getline(lines, line);) {
        const size_t colon = line.find(": "), residentAt = line.rfind(" - resident ");
        if (line.rfind("Round ", 0) != 0 || colon == std::string::npos || residentAt == std::string::npos) continue;
        rounds.push_back(line.substr(colon + 2, residentAt - colon - 2));
        resident.push_back(std::stol(line.substr(residentAt + 12)));
        EXPECT_EQ(rounds.back(), rounds.front()) << line;
    }
    ASSERT_EQ(rounds.size(), 20u) << result.err;
    EXPECT_NE(rounds.front().find("Errors: " + std::to_string(broken)), std::string::npos) << rounds.front();
    // The sanitizer's allocator keeps growing its caches for the first dozen
    // rounds before it levels off, so resident memory says nothing there;
    // LeakSanitizer checks the child at exit instead.
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LE(resident.back(), resident.front() + resident.front() / 10) << "resident kB per round:\n" << result.err;
#endif
    EXPECT_FALSE(ReadFileBytes(temp.Path("report.txt")).empty());
}
