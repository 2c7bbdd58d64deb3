#include "export/document_opener.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "base/text.h"
#include "settings/settings_file.h"

extern char** environ;

namespace zavlin::exporting {

bool StartDetached(const std::vector<std::string>& argv, std::string& why) {
    if (argv.empty() || argv[0].empty()) {
        why = "no program to start";
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) {
        why = "cannot prepare the start";
        return false;
    }
    // A session of its own: the application outlives this program and its
    // terminal.
    (void)posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        why = argv[0] + ": " + std::system_category().message(rc);
        return false;
    }
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) == -1 && errno == EINTR) {
        }
    }).detach();
    return true;
}

std::string OpenerProgram(TFileIni& ini) {
    const std::string program = trim(ini.ReadString(kOpenerSection, kOpenerKey));
    return program.empty() ? std::string(kDefaultOpener) : program;
}

bool TXdgOpener::Open(const std::filesystem::path& file, std::string& why) {
    why.clear();
    // Absolute, so that no file name is ever read as an option.
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(file, ec);
    return FStarter({FProgram, (ec ? file : full).string()}, why);
}

bool TRecordingOpener::Open(const std::filesystem::path& file, std::string& why) {
    files.push_back(file);
    why = accept ? std::string() : "refused";
    return accept;
}

}  // namespace zavlin::exporting
