// Runs a program (zavlin-cli, or a shell around it) as a separate process
// and hands back what it printed and how it ended.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace zavlin::testsupport {

struct CliRun {
    int status = -1;  // the exit code; -1 when it did not exit by itself
    std::string out;
    std::string err;  // empty when it joined out
};

struct CliCall {
    std::vector<std::string> args;  // after the program's name
    std::filesystem::path workDir;  // empty: this process's
    std::vector<std::string> env;   // "NAME=value", over this process's
    bool errIntoOut = false;        // stderr joins stdout, as 2>&1 does
};

// Stdin is /dev/null: nothing waits for a terminal.
CliRun runProgram(const std::filesystem::path& program, const CliCall& call);

// The words as they would be typed after the program, split and unquoted by
// sh; stderr joins stdout unless errIntoOut is false.
CliRun runCommandLine(const std::filesystem::path& program, const std::string& words,
                      bool errIntoOut = true);

// runCommandLine with "--home 'home'" after the words, stderr joined.
CliRun runAtHome(const std::filesystem::path& program, const std::string& words,
                 const std::string& home);

}  // namespace zavlin::testsupport
