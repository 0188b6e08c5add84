#include "harness/Process.h"

#include <grp.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace {

[[noreturn]] void ExecProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::vector<std::string>& env) {
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

int ExitCodeOf(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFrom(FILE* stream) {
    std::string text;
    std::rewind(stream);
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) text.append(buffer, n);
    return text;
}

}  // namespace

// The child's three streams are files, read once it is gone: nothing to pump
// while it runs, and no pipe to fill up.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                         const std::vector<std::string>& env, const std::string& input, int runAsUser) {
    ProcessResult result;
    FILE* streams[3] = {std::tmpfile(), std::tmpfile(), std::tmpfile()};
    if (streams[0] && streams[1] && streams[2]) {
        std::fwrite(input.data(), 1, input.size(), streams[0]);
        std::rewind(streams[0]);
        const pid_t pid = fork();
        if (pid == 0) {
            for (int fd = 0; fd < 3; ++fd) dup2(fileno(streams[fd]), fd);
            if (runAsUser >= 0 && (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(runAsUser)) != 0 ||
                                   setuid(static_cast<uid_t>(runAsUser)) != 0))
                _exit(125);
            if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
            ExecProgram(program, args, env);
        }
        if (pid > 0) result.exitCode = ExitCodeOf(pid);
        result.out = ReadFrom(streams[1]);
        result.err = ReadFrom(streams[2]);
    }
    for (FILE* stream : streams)
        if (stream) std::fclose(stream);
    return result;
}

ProcessResult RunProcessOnTerminal(const std::string& program, const std::vector<std::string>& args,
                                   const std::vector<std::string>& env, unsigned short columns) {
    ProcessResult result;
    winsize size{};
    size.ws_row = 24;
    size.ws_col = columns;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
    if (pid < 0) return result;
    if (pid == 0) ExecProgram(program, args, env);
    char buffer[4096];
    // The terminal reports an error (EIO) once the program and its output are gone.
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) result.out.append(buffer, static_cast<size_t>(n));
    close(terminal);
    result.exitCode = ExitCodeOf(pid);
    return result;
}

std::string CliPath() { return QUORVEL_CLI_PATH; }
