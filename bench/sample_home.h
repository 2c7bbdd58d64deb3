// A sample college made in a fresh folder under /tmp for one bench run, and
// removed with everything in it when the object goes.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/my_dialog.h"
#include "demo/sample_college.h"

namespace zavlin::bench {

class SampleHome {
public:
    // bench names the program in the folder and in what it prints.
    SampleHome(demo::SampleSize size, const std::string& bench) {
        std::string pattern = "/tmp/zavlin_" + bench + "_XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror((bench + ": mkdtemp").c_str());
            return;
        }
        folder_ = pattern;
        TScriptedDialog dialog(true);
        made_ = demo::createSampleCollege(home(), demo::SampleOptions{size, 1, 2026}, dialog);
        if (!made_.ok) std::fprintf(stderr, "%s: %s\n", bench.c_str(), made_.message.c_str());
    }
    ~SampleHome() {
        std::error_code ec;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ec);
    }
    SampleHome(const SampleHome&) = delete;
    SampleHome& operator=(const SampleHome&) = delete;

    bool ok() const { return !folder_.empty() && made_.ok; }
    std::filesystem::path home() const { return folder_ / "college"; }
    const demo::SampleResult& made() const { return made_; }

private:
    std::filesystem::path folder_;
    demo::SampleResult made_;
};

}  // namespace zavlin::bench
