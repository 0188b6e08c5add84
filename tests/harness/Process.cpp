#include "harness/Process.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace {

[[noreturn]] void ExecProgram(const std::string& program, const std::vector<std::string>& args,
                              const std::vector<std::string>& env) {
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
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

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                         const std::vector<std::string>& env, const std::string& input, int runAsUser) {
    ProcessResult result;
    int outPipe[2], errPipe[2], inPipe[2];
    if (pipe(outPipe) || pipe(errPipe) || pipe(inPipe)) return result;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
        if (runAsUser >= 0 && (setgroups(0, nullptr) != 0 || setgid(static_cast<gid_t>(runAsUser)) != 0 ||
                               setuid(static_cast<uid_t>(runAsUser)) != 0))
            _exit(125);
        if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
        ExecProgram(program, args, env);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (!input.empty()) {
        const ssize_t written = write(inPipe[1], input.data(), input.size());
        (void)written;
    }
    close(inPipe[1]);
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buffer[65536];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
    result.exitCode = ExitCodeOf(pid);
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

std::string CliPath() {
#ifdef QUORVEL_CLI_PATH
    return QUORVEL_CLI_PATH;
#else
    return "quorvel";
#endif
}
