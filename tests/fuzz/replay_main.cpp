// Runs one fuzz target without libFuzzer, so that every build (g++ included) exercises it:
//
//   <target>_replay [--mutations N]          the seeds, then N deterministic mutations of them
//   <target>_replay PATH...                  every file given, and every file of the folders given
//   <target>_replay --write-seeds DIR        writes the seeds into DIR as a libFuzzer corpus
//
// When the target crashes or breaks an invariant, the input being run is written to
// "replay-crash" in the current folder (under AddressSanitizer set ASAN_OPTIONS=abort_on_error=1),
// from where the libFuzzer program or this one can run it again.

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "fuzz/fuzz_target.h"

namespace {

using torvane::fuzz::Input;

constexpr std::size_t kDefaultMutations = 3000;
// Mutated inputs stay below this size, as libFuzzer runs with -max_len.
constexpr std::size_t kMaxMutatedSize = 8192;
constexpr std::uint32_t kMutationSeed = 0x70726E67;

// The input being run, for the crash handler.
const Input* g_current = nullptr;

void WriteCurrentInput(int signal)
{
    if (g_current != nullptr) {
        const int fd = ::open("replay-crash", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            const std::uint8_t* at = g_current->data();
            std::size_t left = g_current->size();
            while (left > 0) {
                const ssize_t written = ::write(fd, at, left);
                if (written <= 0)
                    break;
                at += written;
                left -= static_cast<std::size_t>(written);
            }
            ::close(fd);
            constexpr std::string_view kNote = "replay: the failing input is in ./replay-crash\n";
            [[maybe_unused]] const ssize_t noted = ::write(STDERR_FILENO, kNote.data(), kNote.size());
        }
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Run(const Input& input)
{
    g_current = &input;
    // An empty vector may have no storage; libFuzzer never passes a null pointer.
    static const std::uint8_t kNothing = 0;
    LLVMFuzzerTestOneInput(input.empty() ? &kNothing : input.data(), input.size());
    g_current = nullptr;
}

// Deterministic mutations in the manner of libFuzzer's: bit flips, boundary bytes and words in both
// byte orders, erased, inserted and copied runs, truncation and splicing with another seed.
class Mutator final {
public:
    explicit Mutator(const std::vector<Input>& seeds) : m_seeds(seeds) {}

    Input Next(std::size_t index)
    {
        Input input = m_seeds[index % m_seeds.size()];
        const std::uint32_t steps = 1 + Below(4);
        for (std::uint32_t i = 0; i < steps; ++i)
            MutateOnce(input);
        if (input.size() > kMaxMutatedSize)
            input.resize(kMaxMutatedSize);
        return input;
    }

private:
    std::uint32_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::uint32_t>(m_random() % bound); }

    void MutateOnce(Input& input)
    {
        static constexpr std::array<std::uint8_t, 6> kBytes{0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};
        static constexpr std::array<std::uint32_t, 9> kWords{
            0, 1, 2, 0x7F, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
        const std::uint32_t choice = Below(input.empty() ? 1 : 8);
        const std::size_t at = Below(input.size());
        switch (choice) {
        case 0: {  // insert a run of random bytes
            const std::size_t count = 1 + Below(16);
            Input run(count);
            for (std::uint8_t& byte : run)
                byte = static_cast<std::uint8_t>(m_random());
            input.insert(input.begin() + static_cast<std::ptrdiff_t>(Below(input.size() + 1)), run.begin(), run.end());
            break;
        }
        case 1:
            input[at] ^= static_cast<std::uint8_t>(1u << Below(8));
            break;
        case 2:
            input[at] = kBytes[Below(kBytes.size())];
            break;
        case 3: {  // a boundary word, or the input's own size, in either byte order
            const std::uint32_t value =
                Below(5) == 0 ? static_cast<std::uint32_t>(input.size()) : kWords[Below(kWords.size())];
            const std::size_t width = Below(2) == 0 ? 2 : 4;
            const bool bigEndian = Below(2) == 0;
            for (std::size_t i = 0; i < width && at + i < input.size(); ++i) {
                const std::size_t shift = bigEndian ? 8 * (width - 1 - i) : 8 * i;
                input[at + i] = static_cast<std::uint8_t>(value >> shift);
            }
            break;
        }
        case 4: {
            const std::size_t count = std::min<std::size_t>(1 + Below(16), input.size() - at);
            input.erase(input.begin() + static_cast<std::ptrdiff_t>(at),
                        input.begin() + static_cast<std::ptrdiff_t>(at + count));
            break;
        }
        case 5: {  // copy a run over another place of the input
            const std::size_t from = Below(input.size());
            const std::size_t count = std::min({std::size_t{1} + Below(64), input.size() - from, input.size() - at});
            const Input run(input.begin() + static_cast<std::ptrdiff_t>(from),
                            input.begin() + static_cast<std::ptrdiff_t>(from + count));
            std::copy(run.begin(), run.end(), input.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        }
        case 6:
            input.resize(at);
            break;
        default: {  // splice: this input's head with another seed's tail
            const Input& other = m_seeds[Below(m_seeds.size())];
            const std::size_t tail = Below(other.size() + 1);
            input.resize(at);
            input.insert(input.end(), other.begin() + static_cast<std::ptrdiff_t>(tail), other.end());
            break;
        }
        }
    }

    const std::vector<Input>& m_seeds;
    std::mt19937 m_random{kMutationSeed};
};

std::optional<Input> ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        return std::nullopt;
    return Input(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

int RunPaths(const std::vector<std::string>& paths)
{
    std::vector<std::filesystem::path> files;
    for (const std::string& path : paths) {
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, error))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.emplace_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        const std::optional<Input> input = ReadFileBytes(file);
        if (!input) {
            std::fprintf(stderr, "replay: can't read %s\n", file.string().c_str());
            return 1;
        }
        Run(*input);
    }
    std::printf("replay: ran %zu files\n", files.size());
    return 0;
}

int WriteSeeds(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::vector<Input> seeds = torvane::fuzz::Seeds();
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::filesystem::path path = std::filesystem::path(folder) / ("seed-" + std::to_string(i));
        std::ofstream stream(path, std::ios::binary | std::ios::trunc);
        stream.write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
        if (!stream) {
            std::fprintf(stderr, "replay: can't write %s\n", path.string().c_str());
            return 1;
        }
    }
    std::printf("replay: wrote %zu seeds\n", seeds.size());
    return 0;
}

int RunSeedsAndMutations(std::size_t mutations)
{
    const std::vector<Input> seeds = torvane::fuzz::Seeds();
    if (seeds.empty()) {
        std::fprintf(stderr, "replay: the target has no seeds\n");
        return 1;
    }
    for (const Input& seed : seeds)
        Run(seed);
    Mutator mutator(seeds);
    for (std::size_t i = 0; i < mutations; ++i)
        Run(mutator.Next(i));
    std::printf("replay: ran %zu seeds and %zu mutations\n", seeds.size(), mutations);
    return 0;
}

int Usage()
{
    std::fprintf(stderr, "usage: replay [--mutations N] | --write-seeds DIR | PATH...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    for (int signal : {SIGABRT, SIGSEGV, SIGILL, SIGFPE, SIGBUS})
        std::signal(signal, WriteCurrentInput);

    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return RunSeedsAndMutations(kDefaultMutations);
    if (args[0] == "--write-seeds")
        return args.size() == 2 ? WriteSeeds(args[1]) : Usage();
    if (args[0] == "--mutations") {
        if (args.size() != 2)
            return Usage();
        char* end = nullptr;
        const unsigned long long count = std::strtoull(args[1].c_str(), &end, 10);
        if (args[1].empty() || *end != '\0')
            return Usage();
        return RunSeedsAndMutations(static_cast<std::size_t>(count));
    }
    if (args[0].starts_with("-"))
        return Usage();
    return RunPaths(args);
}
