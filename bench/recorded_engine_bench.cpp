// The medium sample college (seed 1) composed from zero as `zavlin-cli
// compose --mode zero --all --yes --log` does, timed, and compared with the
// digest recorded from the engine in tests/data/recorded/M-1.digest.txt: the
// report (its search times masked), the variant files and the timetable.
// Prints the time and "same" or "DIFFERENT" (exit 1). `--record` writes the
// digest instead (scripts/record-engine.sh does).
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/engine_recording.h"

namespace fs = std::filesystem;
using namespace zavlin;

int main(int argc, char** argv) {
    // Waiting for the disk at every table write is not what is measured.
    setenv("ZAVLIN_TABLE_SYNC", "off", 1);
    const bool record = argc == 2 && std::strcmp(argv[1], "--record") == 0;
    if (argc > 1 && !record) {
        std::fprintf(stderr, "usage: recorded_engine_bench [--record]\n");
        return 2;
    }
    const fs::path digestFile = fs::path(ZAVLIN_RECORDED_DIR) / "M-1.digest.txt";
    std::string folder = "/tmp/zavlin_recorded_bench_XXXXXX";
    if (mkdtemp(folder.data()) == nullptr) {
        std::perror("recorded_engine_bench: mkdtemp");
        return 1;
    }
    const testsupport::EngineRecording run =
        testsupport::recordSampleRun(fs::path(folder) / "college", demo::SampleSize::M, 1);
    std::error_code ec;
    fs::remove_all(folder, ec);
    if (!run.ok) {
        std::fprintf(stderr, "recorded_engine_bench: %s\n", run.message.c_str());
        return 1;
    }
    const std::string digest = testsupport::recordingDigest(run);
    if (record) {
        std::ofstream out(digestFile, std::ios::binary | std::ios::trunc);
        out << digest;
        if (!out.flush()) {
            std::fprintf(stderr, "recorded_engine_bench: cannot write %s\n", digestFile.c_str());
            return 1;
        }
        std::printf("M seed 1: composed in %.2f s, recorded to %s\n%s", run.seconds,
                    digestFile.c_str(), digest.c_str());
        return 0;
    }
    std::ifstream in(digestFile, std::ios::binary);
    const std::string recorded{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    const bool same = !recorded.empty() && recorded == digest;
    std::printf("M seed 1: composed in %.2f s, report %zu bytes: %s\n", run.seconds, run.log.size(),
                same ? "same" : "DIFFERENT");
    if (!same) std::printf("recorded:\n%snow:\n%s", recorded.c_str(), digest.c_str());
    return same ? 0 : 1;
}
