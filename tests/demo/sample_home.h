// Sample colleges made once per test run: generating and loading a college
// under the sanitizers takes seconds, and every check reads the same one.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "base/my_dialog.h"
#include "demo/sample_college.h"
#include "model/year.h"
#include "storage/year_database.h"

namespace zavlin::demo::testing {

namespace fs = std::filesystem;

inline fs::path scratchFolder(const char* tag) {
    std::string tmpl = std::string("/tmp/zavlin_") + tag + "_XXXXXX";
    if (mkdtemp(tmpl.data()) == nullptr) return {};
    return tmpl;
}

struct SampleHome {
    fs::path home;
    SampleResult result;
};

// One college per (size, seed), removed when the process ends.
inline const SampleHome& sampleHome(SampleSize size, uint64_t seed) {
    struct Cache {
        std::map<std::pair<int, uint64_t>, std::unique_ptr<SampleHome>> homes;
        ~Cache() {
            for (auto& [key, h] : homes) {
                std::error_code ec;
                fs::remove_all(h->home, ec);
            }
        }
    };
    static Cache cache;
    auto& slot = cache.homes[{static_cast<int>(size), seed}];
    if (!slot) {
        slot = std::make_unique<SampleHome>();
        slot->home = scratchFolder("sample");
        TScriptedDialog dialog;
        slot->result = createSampleCollege(slot->home, SampleOptions{size, seed, 2026}, dialog);
    }
    return *slot;
}

// The sample's year read back from its tables by a fresh year object.
struct LoadedYear {
    explicit LoadedYear(const SampleHome& h) : dm(h.home, dialog), year(dm) {
        year.YGod = static_cast<uint16_t>(h.result.plan.options.year);
        loaded = year.LoadYear();
    }
    TScriptedDialog dialog;
    TDM1 dm;
    TAllRasp year;
    bool loaded = false;
};

}  // namespace zavlin::demo::testing
