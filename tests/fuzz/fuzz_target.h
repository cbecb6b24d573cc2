#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// What every fuzz target in this folder defines. Each target is one source file that builds both
// as a libFuzzer program (TORVANE_FUZZ=ON under clang) and, linked with replay_main.cpp, as a
// plain program that CTest runs over the target's seeds and deterministic mutations of them.

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace torvane::fuzz {

using Input = std::vector<std::uint8_t>;

// Valid inputs built with the project's own writers: the replay program runs them and mutates
// them, and writes them out as a starting corpus for libFuzzer (--write-seeds).
std::vector<Input> Seeds();

// An invariant that did not hold: says which and aborts, so that libFuzzer and the replay program
// both stop on the input and keep it.
[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

} // namespace torvane::fuzz
