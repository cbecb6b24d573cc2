#include "support/cli_runner.h"

#include <cstdlib>
#include <filesystem>
#include <string>

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

// The exit status of the program, or -1 when it could not be started. Wine, busy with other test
// programs, now and then fails to start a process; a start that did not happen is tried again,
// since the program has not run yet.
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
    constexpr int kStartTries = 5;
    bool started = false;
    for (int t = 0; t < kStartTries && !started; ++t) {
        if (t > 0)
            ::Sleep(200);
        started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &process);
    }
    if (started) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &code);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(process.hThread);
    } else if (errors != INVALID_HANDLE_VALUE) {
        // The failing test then shows why instead of an empty standard error.
        const std::string why = "CreateProcessW failed: error " + std::to_string(::GetLastError()) + "\n";
        DWORD written = 0;
        ::WriteFile(errors, why.data(), static_cast<DWORD>(why.size()), &written, nullptr);
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
