#include "exchange/dvbv5_reader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/tp_table_file.h"
#include "support/scratch_folder.h"

namespace torvane {
namespace {

using test::ScratchFolder;

std::vector<std::uint8_t> Bytes(const std::string& text)
{
    return {text.begin(), text.end()};
}

TEST(Dvbv5Reader, ReadsBlocksInTheirUnitsIgnoringUnknownKeysAndComments)
{
    const std::string text = "# a comment\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 10719000\n"
                             "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n\tSTREAM_ID = 7\n"
                             "[CHANNEL]\r\n  DELIVERY_SYSTEM=dvbs2\r\nFREQUENCY=11222500\r\nPOLARIZATION = left\r\n"
                             "SYMBOL_RATE = 22000499\r\n";
    const TableReadResult result = ReadDvbv5Table(text, "Hotbird-13.0E");
    ASSERT_TRUE(result.Ok()) << result.error;
    ASSERT_EQ(result.satellites.size(), 1u);
    const TableSatellite& satellite = result.satellites[0];
    EXPECT_EQ(satellite.name, "Hotbird");
    EXPECT_EQ(satellite.position, 130);
    ASSERT_EQ(satellite.tps.size(), 2u);
    const TableTp& first = satellite.tps[0];
    EXPECT_EQ(first.line, 3);
    EXPECT_EQ(first.frequencyKhz, 10719000);
    EXPECT_EQ(first.FrequencyMhz(), 10719);
    EXPECT_EQ(first.SymbolRateKsps(), 27500);
    EXPECT_EQ(first.polarization, TablePolarization::Vertical);
    EXPECT_EQ(first.system, TableSystem::DvbS);
    const TableTp& second = satellite.tps[1];
    EXPECT_EQ(second.line, 10);
    EXPECT_EQ(second.FrequencyMhz(), 11223);  // 11222.5 rounds up
    EXPECT_EQ(second.SymbolRateKsps(), 22000);
    EXPECT_EQ(second.polarization, TablePolarization::Left);
    EXPECT_EQ(second.system, TableSystem::DvbS2);
}

struct NameCase {
    const char* fileName;
    const char* name;
    std::optional<int> position;
};

TEST(Dvbv5Reader, TakesNameAndPositionFromTheFileName)
{
    const std::vector<NameCase> cases = {
        {"Nilesat-201-7.0W", "Nilesat-201", -70}, {"Eutelsat5_5.0W", "Eutelsat5", -50},
        {"EutelsatW2-16E", "EutelsatW2", 160},    {"Amazonas-61.0W", "Amazonas", -610},
        {"Sat-180.0E", "Sat", 1800},              {"Sat-180.1E", "Sat-180.1E", std::nullopt},
        {"Sat-13.05E", "Sat-13.05E", std::nullopt}, {"-13E", "-13E", std::nullopt},
        {"Telstar", "Telstar", std::nullopt},
    };
    for (const NameCase& c : cases) {
        const TableReadResult result =
            ReadDvbv5Table("[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\nPOLARIZATION = HORIZONTAL\n"
                           "SYMBOL_RATE = 27500000\n",
                           c.fileName);
        ASSERT_TRUE(result.Ok()) << result.error;
        EXPECT_EQ(result.satellites[0].name, c.name) << c.fileName;
        EXPECT_EQ(result.satellites[0].position, c.position) << c.fileName;
    }
}

struct ErrorCase {
    const char* text;
    const char* error;
};

TEST(Dvbv5Reader, NamesTheLineOfTheFirstFault)
{
    const std::string good = "DELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\nPOLARIZATION = HORIZONTAL\n"
                             "SYMBOL_RATE = 27500000\n";
    const std::vector<ErrorCase> cases = {
        {"[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nPOLARIZATION = VERTICAL\nSYMBOL_RATE = 1\n[CHANNEL]\n",
         "line 1: the block has no FREQUENCY"},
        {"# c\n[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 1\nPOLARIZATION = VERTICAL\n",
         "line 2: the block has no SYMBOL_RATE"},
        {"[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 1\nSYMBOL_RATE = 1\n", "line 1: the block has no POLARIZATION"},
        {"[CHANNEL]\nFREQUENCY = 1\nSYMBOL_RATE = 1\nPOLARIZATION = LEFT\n",
         "line 1: the block has no DELIVERY_SYSTEM"},
        {"FREQUENCY = 11000000\n", "line 1: KEY = VALUE before the first [CHANNEL]"},
        {"[CHANNEL\n", "line 1: a block header must end in \"]\""},
        {"[CHANNEL]\nFREQUENCY 11000000\n", "line 2: expected KEY = VALUE"},
        {"[CHANNEL]\nFREQUENCY = 11.0\n", "line 2: FREQUENCY is no frequency in kHz: \"11.0\""},
        {"[CHANNEL]\nFREQUENCY = 0\n", "line 2: FREQUENCY is no frequency in kHz: \"0\""},
        {"[CHANNEL]\nFREQUENCY = 99999999999999999999\n",
         "line 2: FREQUENCY is no frequency in kHz: \"99999999999999999999\""},
        {"[CHANNEL]\nFREQUENCY = 11000000\nSYMBOL_RATE = 1\nFREQUENCY = 11000000\n",
         "line 4: the block gives FREQUENCY twice"},
        {"[CHANNEL]\nSYMBOL_RATE = -5\n", "line 2: SYMBOL_RATE is no rate in symbols/s: \"-5\""},
        {"[CHANNEL]\nPOLARIZATION = CIRCULAR\n",
         "line 2: POLARIZATION must be HORIZONTAL, VERTICAL, LEFT or RIGHT, not \"CIRCULAR\""},
        {"[CHANNEL]\nDELIVERY_SYSTEM = DVBT\n", "line 2: DELIVERY_SYSTEM must be DVBS or DVBS2, not \"DVBT\""},
        {"# only a comment\n", "the table holds no transponder"},
    };
    for (const ErrorCase& c : cases) {
        const TableReadResult result = ReadDvbv5Table(c.text, "Sat-1.0E");
        EXPECT_EQ(result.error, c.error) << c.text;
        EXPECT_TRUE(result.satellites.empty()) << c.text;
    }
    // A huge value is quoted cut to 80 characters.
    EXPECT_EQ(ReadDvbv5Table("[CHANNEL]\nPOLARIZATION = " + std::string(5000, 'X') + "\n", "S-1E").error,
              "line 2: POLARIZATION must be HORIZONTAL, VERTICAL, LEFT or RIGHT, not \"" + std::string(80, 'X')
                  + "\u2026\"");
    // An implausible number is read; the import skips its TP.
    const TableReadResult typo = ReadDvbv5Table(
        "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 12384000000\nPOLARIZATION = LEFT\nSYMBOL_RATE = 201500000\n",
        "Anik-F3-119.0W");
    ASSERT_TRUE(typo.Ok()) << typo.error;
    EXPECT_EQ(typo.satellites[0].tps[0].FrequencyMhz(), 12384000);
    EXPECT_EQ(typo.satellites[0].tps[0].SymbolRateKsps(), 201500);
    // A fault after good blocks still gives nothing.
    const TableReadResult late = ReadDvbv5Table("[CHANNEL]\n" + good + "[CHANNEL]\n" + good + "[X]\nbad\n", "S-1E");
    EXPECT_EQ(late.error, "line 12: expected KEY = VALUE");
    EXPECT_TRUE(late.satellites.empty());
    // Each block has keys of its own, the ones ignored too.
    const TableReadResult twice =
        ReadDvbv5Table("[CHANNEL]\n" + good + "STREAM_ID = 1\n[CHANNEL]\n" + good + "STREAM_ID = 1\nSTREAM_ID = 2\n", "S-1E");
    EXPECT_EQ(twice.error, "line 13: the block gives STREAM_ID twice");
}

TEST(OrbitalPosition, ReadsAndWritesDegreesEastAndWest)
{
    EXPECT_EQ(ParseOrbitalPosition("19.2E"), 192);
    EXPECT_EQ(ParseOrbitalPosition("7W"), -70);
    EXPECT_EQ(ParseOrbitalPosition("0.0E"), 0);
    EXPECT_EQ(ParseOrbitalPosition("180.0W"), -1800);
    for (const char* bad : {"180.1W", "E", "19.E", "19.25E", "19,2E", "+19E", "19.2N", "1000E", ""})
        EXPECT_EQ(ParseOrbitalPosition(bad), std::nullopt) << bad;
    EXPECT_EQ(OrbitalPositionText(192), "19.2E");
    EXPECT_EQ(OrbitalPositionText(-70), "7.0W");
    EXPECT_EQ(OrbitalPositionText(0), "0.0E");
}

TEST(TpTableFile, RefusesWhatItCannotReadWithTheFileName)
{
    ScratchFolder folder;
    const std::string block = "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\nPOLARIZATION = VERTICAL\n"
                              "SYMBOL_RATE = 27500000\n";
    folder.Write("Thor-0.8W", Bytes(block));
    folder.Write("satellites.xml", Bytes("  \n<satellites/>"));
    std::string huge;
    while (huge.size() <= kMaxTableBytes)
        huge += block;
    folder.Write("Huge-1.0E", Bytes(huge));

    const TableReadResult thor = ReadTpTableFile(folder.Path("Thor-0.8W"), nullptr);
    ASSERT_TRUE(thor.Ok()) << thor.error;
    EXPECT_EQ(thor.satellites[0].position, -8);
    EXPECT_EQ(ReadTpTableFile(folder.Path("satellites.xml"), nullptr).error,
              "satellites.xml: this build reads no satellites.xml");
    EXPECT_EQ(ReadTpTableFile(folder.Path("Huge-1.0E"), nullptr).error, "Huge-1.0E: larger than 4 MiB, no table");
    EXPECT_EQ(ReadTpTableFile(folder.Path("Missing-1.0E"), nullptr).error, "Missing-1.0E: cannot be read");
    EXPECT_EQ(ReadTpTableFile(folder.Path("satellites.xml"),
                              [](std::string_view) { return TableReadResult::LineFailure(2, "seen"); })
                  .error,
              "satellites.xml: line 2: seen");
}

// A byte-order mark is no content: UTF-8 with one is read as without, UTF-16 with one is a
// satellites.xml when its first character is '<' and refused otherwise.
TEST(TpTableFile, LooksPastTheByteOrderMark)
{
    ScratchFolder folder;
    const std::string bom = "\xEF\xBB\xBF";
    folder.Write("Bom-1.0E", Bytes(bom + "[CHANNEL]\nDELIVERY_SYSTEM = DVBS\nFREQUENCY = 11000000\n"
                                         "POLARIZATION = VERTICAL\nSYMBOL_RATE = 27500000\n"));
    const TableReadResult dvbv5 = ReadTpTableFile(folder.Path("Bom-1.0E"), nullptr);
    ASSERT_TRUE(dvbv5.Ok()) << dvbv5.error;
    EXPECT_EQ(dvbv5.satellites[0].tps[0].line, 1);

    const std::vector<std::pair<std::string, std::string>> files = {
        {"utf8.xml", bom + " \n<satellites/>"},
        {"le.xml", std::string("\xFF\xFE \0\n\0<\0s\0", 10)},
        {"be.xml", std::string("\xFE\xFF\0\t\0<\0s", 8)},
        {"Le-1.0E", std::string("\xFF\xFE[\0C\0", 6)},
        {"Be-1.0E", std::string("\xFE\xFF\0 \x3C\0", 6)},  // U+3C00 is no '<'
    };
    for (const auto& [name, text] : files) {
        folder.Write(name, Bytes(text));
        EXPECT_EQ(ReadTpTableFile(folder.Path(name), nullptr).error,
                  name + ": " + std::string(name.ends_with(".xml") ? kNoSatellitesXmlMessage : kUtf16TableMessage));
    }
}

} // namespace
} // namespace torvane
