#include "support/cli_runner.h"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "support/test_paths.h"
#include "util/file_io.h"

namespace torvane::test {
namespace {

std::string Quoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string TextOf(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string{};
}

CliRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder)
{
    std::string command = Quoted(program);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    const std::string outPath = scratchFolder + "/stdout.txt";
    const std::string errPath = scratchFolder + "/stderr.txt";
    command += " </dev/null >" + Quoted(outPath) + " 2>" + Quoted(errPath);
    const int raw = std::system(command.c_str());
    CliRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = TextOf(outPath);
    run.err = TextOf(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return run;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& scratchFolder)
{
    return RunProgram(binaryPath("src/torvane-cli"), args, scratchFolder);
}

} // namespace torvane::test
