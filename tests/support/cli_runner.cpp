#include "support/cli_runner.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include "support/test_paths.h"
#include "util/file_name.h"
#include "util/file_reader.h"

namespace torvane::test {
namespace {

#ifdef _WIN32
// A command-line word as the C runtime's argument parser reads it back: in double quotes, with
// backslashes doubled where a quote follows them.
std::wstring Quoted(const std::wstring& word)
{
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

HANDLE InheritableFile(const std::filesystem::path& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Run(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
        const std::string& errPath)
{
    std::wstring command = Quoted(FileNamePath(program).wstring());
    for (const std::string& arg : args)
        command += L" " + Quoted(FileNamePath(arg).wstring());
    HANDLE input = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE output = InheritableFile(FileNamePath(outPath), GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE errors = InheritableFile(FileNamePath(errPath), GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    DWORD code = static_cast<DWORD>(-1);
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    }
    for (HANDLE handle : {input, output, errors})
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    return static_cast<int>(code);
}
#else
std::string Quoted(const std::string& word)
{
    std::string quoted = "'";
    for (char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int Run(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
        const std::string& errPath)
{
    std::string command = Quoted(program);
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += " </dev/null >" + Quoted(outPath) + " 2>" + Quoted(errPath);
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
#endif

} // namespace

std::string TextOf(const std::string& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string{};
}

CliRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& scratchFolder)
{
    const std::string outPath = scratchFolder + "/stdout.txt";
    const std::string errPath = scratchFolder + "/stderr.txt";
    CliRun run;
    run.status = Run(program, args, outPath, errPath);
    run.out = TextOf(outPath);
    run.err = TextOf(errPath);
    std::filesystem::remove(FileNamePath(outPath));
    std::filesystem::remove(FileNamePath(errPath));
    return run;
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& scratchFolder)
{
    return RunProgram(binaryPath("src/" + programFile("torvane-cli")), args, scratchFolder);
}

} // namespace torvane::test
