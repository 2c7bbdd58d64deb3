#include "cli_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

#include "scratch_home.h"

extern char** environ;

namespace zavlin::testsupport {

namespace {

std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

CliRun runProgram(const std::filesystem::path& program, const CliCall& call) {
    CliRun r;
    // Output goes to files: no pipe to fill up while the other is read.
    const ScratchHome scratch("run");
    if (scratch.empty()) return r;
    const std::string outPath = (scratch.path() / "out").string();
    const std::string errPath = (scratch.path() / "err").string();
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

    const pid_t pid = fork();
    if (pid < 0) return r;
    if (pid == 0) {
        // Only calls that are safe between fork and exec.
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err =
            call.errIntoOut ? out : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0 || (!dir.empty() && chdir(dir.c_str()) != 0))
            _exit(127);
        execve(exe.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(outPath);
    if (!call.errIntoOut) r.err = slurp(errPath);
    return r;
}

CliRun runCommandLine(const std::filesystem::path& program, const std::string& words,
                      bool errIntoOut) {
    CliCall call;
    call.args = {"-c", "exec \"$0\" " + words, program.string()};
    call.errIntoOut = errIntoOut;
    return runProgram("/bin/sh", call);
}

}  // namespace zavlin::testsupport
