// Opening a finished document in the desktop's application for it: the
// program hands the file over and goes on; it does not wait for the
// application to close.
//
// The program that opens documents is "xdg-open" unless "Zavlin98.ini" names
// another in section "Documents", key "Opener" (a program name or path; it
// gets the file as its only argument).
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace zavlin {
class TFileIni;
}

namespace zavlin::exporting {

inline constexpr const char* kOpenerSection = "Documents";
inline constexpr const char* kOpenerKey = "Opener";
inline constexpr const char* kDefaultOpener = "xdg-open";

// An opener must not touch Qt widgets: it may be called from a worker.
class TDocumentOpener {
public:
    virtual ~TDocumentOpener() = default;
    // True when the application was started with the file; otherwise false
    // with the reason in why.
    [[nodiscard]] virtual bool Open(const std::filesystem::path& file, std::string& why) = 0;
};

// Starts a program with its arguments in a session of its own and does not
// wait for it; false with the reason when it could not be started. The
// program is reaped when it ends, so none is left behind as a zombie.
using TProcessStarter = std::function<bool(const std::vector<std::string>& argv, std::string& why)>;
bool StartDetached(const std::vector<std::string>& argv, std::string& why);

// The program named in the settings, or kDefaultOpener.
std::string OpenerProgram(TFileIni& ini);

// Runs "<program> FILE".
class TXdgOpener : public TDocumentOpener {
public:
    explicit TXdgOpener(std::string program = kDefaultOpener,
                        TProcessStarter starter = StartDetached)
        : FProgram(std::move(program)), FStarter(std::move(starter)) {}
    [[nodiscard]] bool Open(const std::filesystem::path& file, std::string& why) override;
    const std::string& Program() const { return FProgram; }

private:
    std::string FProgram;
    TProcessStarter FStarter;
};

// Keeps every file it is asked to open; answers with accept.
class TRecordingOpener : public TDocumentOpener {
public:
    [[nodiscard]] bool Open(const std::filesystem::path& file, std::string& why) override;
    std::vector<std::filesystem::path> files;
    bool accept = true;
};

}  // namespace zavlin::exporting
