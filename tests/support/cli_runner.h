#pragma once

#include <string>
#include <vector>

namespace torvane::test {

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a program with standard input closed off, capturing both output streams through files in
// scratchFolder (removed again afterwards).
CliRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder);

// The same for the built torvane-cli.
CliRun RunCli(const std::vector<std::string>& args, const std::string& scratchFolder);

// A file's bytes as text; empty when it cannot be read.
std::string TextOf(const std::string& path);

} // namespace torvane::test
