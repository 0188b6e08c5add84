#include <gtest/gtest.h>

#include "harness/Harness.h"
#include "harness/Process.h"

TEST(Cli, HelpAndVersionExitZero) {
    const auto help = RunProcess(CliPath(), {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: quorvel"), std::string::npos);
    const auto version = RunProcess(CliPath(), {"-V"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quorvel " QUORVEL_VERSION "\n");
}

TEST(Cli, UnknownOptionIsAUsageError) {
    const auto result = RunProcess(CliPath(), {"--no-such-option"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("quorvel --help"), std::string::npos);
}
