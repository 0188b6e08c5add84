// Runs a real program as a child process and captures what it printed.
#pragma once

#include <string>
#include <vector>

struct ProcessResult {
    int exitCode = -1;  // -1: did not exit normally
    std::string out;
    std::string err;
};

// Runs program with args in folder (empty: the current one). Extra environment
// entries ("NAME=value") are added to the test's own environment; stdin gets
// the given text and is then closed. With runAsUser the child gives up root
// for that user id (and group) before it starts the program.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder = std::string(), const std::vector<std::string>& env = {},
                         const std::string& input = std::string(), int runAsUser = -1);

// Runs program on a terminal of its own (a pseudo-terminal of the given
// width for stdin, stdout and stderr); everything it wrote is in out.
ProcessResult RunProcessOnTerminal(const std::string& program, const std::vector<std::string>& args,
                                   const std::vector<std::string>& env, unsigned short columns = 100);

// The Linux program under test.
std::string CliPath();
