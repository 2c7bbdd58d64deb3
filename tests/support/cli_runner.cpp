#include "cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zavlin::testsupport {

CliRun runProgram(const std::filesystem::path& program, const CliCall& call) {
    CliRun r;
    const std::string exe = program.string();
    const std::string dir = call.workDir.string();

    std::vector<std::string> envText;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& add : call.env)
            replaced = replaced || add.substr(0, add.find('=')) == name;
        if (!replaced) envText.push_back(entry);
    }
    envText.insert(envText.end(), call.env.begin(), call.env.end());
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argText{exe};
    argText.insert(argText.end(), call.args.begin(), call.args.end());
    std::vector<char*> argv;
    for (std::string& a : argText) argv.push_back(a.data());
    argv.push_back(nullptr);

    // Pipes, not files: a test may limit the size of the files the program
    // writes, and its output must not count.
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) != 0) return r;
    if (!call.errIntoOut && pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return r;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // Only calls that are safe between fork and exec.
        const int in = open("/dev/null", O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0 || dup2(out[1], 1) < 0 ||
            dup2(call.errIntoOut ? out[1] : err[1], 2) < 0 ||
            (!dir.empty() && chdir(dir.c_str()) != 0))
            _exit(127);
        execve(exe.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    if (!call.errIntoOut) close(err[1]);
    // Both pipes read as they fill: a program blocked on a full one would
    // never end.
    std::vector<pollfd> pending{{out[0], POLLIN, 0}};
    std::vector<std::string*> into{&r.out};
    if (!call.errIntoOut) {
        pending.push_back({err[0], POLLIN, 0});
        into.push_back(&r.err);
    }
    while (pid > 0 && !pending.empty()) {
        if (poll(pending.data(), pending.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (std::size_t i = pending.size(); i-- > 0;) {
            if (pending[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(pending[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(pending[i].fd);
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                into.erase(into.begin() + static_cast<std::ptrdiff_t>(i));
            }
        }
    }
    for (const pollfd& p : pending) close(p.fd);
    if (pid < 0) return r;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

CliRun runCommandLine(const std::filesystem::path& program, const std::string& words,
                      bool errIntoOut) {
    CliCall call;
    call.args = {"-c", "exec \"$0\" " + words, program.string()};
    call.errIntoOut = errIntoOut;
    return runProgram("/bin/sh", call);
}

CliRun runAtHome(const std::filesystem::path& program, const std::string& words,
                 const std::string& home) {
    return runCommandLine(program, words + " --home '" + home + "'");
}

}  // namespace zavlin::testsupport
