// A scratch folder under /tmp for one test, removed with everything in it
// when the test lets go of it.
#pragma once

#include <filesystem>
#include <string>

namespace zavlin::testsupport {

class ScratchHome {
public:
    // The folder is /tmp/zavlin_<tag>_XXXXXX; empty() tells that it could
    // not be made.
    explicit ScratchHome(const std::string& tag = "home");
    ~ScratchHome();
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;

    const std::filesystem::path& path() const { return FPath; }
    std::string str() const { return FPath.string(); }
    bool empty() const { return FPath.empty(); }
    operator const std::filesystem::path&() const { return FPath; }

    // Makes the empty database a home for the year objects holds; false
    // with the reason in message when it could not.
    [[nodiscard]] bool MakeDatabase(std::string& message) const;

private:
    std::filesystem::path FPath;
};

}  // namespace zavlin::testsupport
