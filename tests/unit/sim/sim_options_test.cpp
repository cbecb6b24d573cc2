#include "sim_options.h"

#include <gtest/gtest.h>

namespace torvane::sim {
namespace {

TEST(SimOptions, ReadsEveryOption)
{
    const SimOptionsResult result = ParseSimOptions(
        {"--image", "f.bin", "--generation", "33", "--trace", "-", "--throttle", "--baud", "57600", "--burn-ms", "250",
         "--second-byte", "7", "--seed", "99", "--flip-rate", "0.25", "--drop-rate", "0.5", "--garbage-rate", "1",
         "--stall-rate", "0", "--stall-ms", "30", "--no-answer"});
    ASSERT_TRUE(result.options) << result.error;
    const SimOptions& o = *result.options;
    EXPECT_EQ(o.imagePath, "f.bin");
    EXPECT_EQ(o.generation, 33);
    EXPECT_EQ(o.tracePath, "-");
    EXPECT_TRUE(o.throttle);
    EXPECT_EQ(o.baud, 57600u);
    EXPECT_EQ(o.burnMs, 250);
    EXPECT_EQ(o.secondByte, 7);
    EXPECT_EQ(o.faults.seed, 99u);
    EXPECT_DOUBLE_EQ(o.faults.flipRate, 0.25);
    EXPECT_DOUBLE_EQ(o.faults.dropRate, 0.5);
    EXPECT_DOUBLE_EQ(o.faults.garbageRate, 1.0);
    EXPECT_DOUBLE_EQ(o.faults.stallRate, 0.0);
    EXPECT_EQ(o.faults.stallMs, 30);
    EXPECT_TRUE(o.faults.noAnswer);
}

TEST(SimOptions, Defaults)
{
    const SimOptionsResult result = ParseSimOptions({"--image", "f.bin"});
    ASSERT_TRUE(result.options);
    EXPECT_EQ(result.options->generation, 48);
    EXPECT_FALSE(result.options->throttle);
    EXPECT_EQ(result.options->faults.stallMs, 2000);
    EXPECT_FALSE(result.options->faults.noAnswer);
    EXPECT_TRUE(ParseSimOptions({"--help"}).options->help);
}

struct BadCase {
    std::vector<std::string> arguments;
    const char* error;
};

class SimOptionsErrors : public ::testing::TestWithParam<BadCase> {};

TEST_P(SimOptionsErrors, NameTheProblem)
{
    const SimOptionsResult result = ParseSimOptions(GetParam().arguments);
    EXPECT_FALSE(result.options);
    EXPECT_EQ(result.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimOptionsErrors,
    ::testing::Values(BadCase{{}, "no flash image given (--image)"},
                      BadCase{{"--image"}, "missing value after --image"},
                      BadCase{{"--image", "f", "--generation", "49"}, "bad value for --generation: 49"},
                      BadCase{{"--image", "f", "--generation", "0"}, "bad value for --generation: 0"},
                      BadCase{{"--image", "f", "--flip-rate", "1.5"}, "bad value for --flip-rate: 1.5"},
                      BadCase{{"--image", "f", "--drop-rate", "-0.1"}, "bad value for --drop-rate: -0.1"},
                      BadCase{{"--image", "f", "--second-byte", "256"}, "bad value for --second-byte: 256"},
                      BadCase{{"--image", "f", "--baud", "0"}, "bad value for --baud: 0"},
                      BadCase{{"--image", "f", "--seed", "x"}, "bad value for --seed: x"},
                      BadCase{{"--image", "f", "--port"}, "unknown option --port"}));

} // namespace
} // namespace torvane::sim
