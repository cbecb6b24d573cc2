// The satellites.xml reader exists in builds with Qt only.
#ifdef TORVANE_SATELLITES_XML

#include "exchange/xml/satellites_xml_reader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/tp_table_file.h"
#include "support/scratch_folder.h"

namespace torvane {
namespace {

// Written here: both frequency units, a west position, DVB-S2, circular polarisations, attributes
// and elements the reader does not know, and a satellite without transponders.
constexpr const char* kSatellitesXml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- written for the reader's tests -->
<satellites>
	<sat name="19.2E Astra 1KR/1L/1M/1N" flags="1" position="192">
		<transponder frequency="10714250" symbol_rate="22000000" polarization="0" fec_inner="4" system="0" modulation="1"/>
		<transponder frequency="11229000000" symbol_rate="22000000" polarization="1" fec_inner="3" system="1" modulation="2" rolloff="0" pilot="2"/>
	</sat>
	<comment>ignored</comment>
	<sat name="30.0W Hispasat" flags="0" position="-300">
		<transponder frequency="11731000" symbol_rate="27500000" polarization="2"/>
		<transponder frequency="12092000000" symbol_rate="27500000" polarization="3" system="0"/>
	</sat>
	<sat name="Empty" position="0"/>
</satellites>
)";

TEST(SatellitesXmlReader, ReadsSatellitesWithTheirTransponders)
{
    const TableReadResult result = ReadSatellitesXml(kSatellitesXml);
    ASSERT_TRUE(result.Ok()) << result.error;
    ASSERT_EQ(result.satellites.size(), 3u);
    const TableSatellite& astra = result.satellites[0];
    EXPECT_EQ(astra.name, "19.2E Astra 1KR/1L/1M/1N");
    EXPECT_EQ(astra.position, 192);
    ASSERT_EQ(astra.tps.size(), 2u);
    EXPECT_EQ(astra.tps[0].frequencyKhz, 10714250);
    EXPECT_EQ(astra.tps[0].line, 5);
    EXPECT_EQ(astra.tps[0].SymbolRateKsps(), 22000);
    EXPECT_EQ(astra.tps[0].polarization, TablePolarization::Horizontal);
    EXPECT_EQ(astra.tps[0].system, TableSystem::DvbS);
    EXPECT_EQ(astra.tps[1].frequencyKhz, 11229000);  // written in Hz
    EXPECT_EQ(astra.tps[1].polarization, TablePolarization::Vertical);
    EXPECT_EQ(astra.tps[1].system, TableSystem::DvbS2);
    const TableSatellite& hispasat = result.satellites[1];
    EXPECT_EQ(hispasat.position, -300);
    ASSERT_EQ(hispasat.tps.size(), 2u);
    EXPECT_EQ(hispasat.tps[0].polarization, TablePolarization::Left);
    EXPECT_EQ(hispasat.tps[0].system, TableSystem::DvbS);
    EXPECT_EQ(hispasat.tps[1].frequencyKhz, 12092000);
    EXPECT_EQ(hispasat.tps[1].polarization, TablePolarization::Right);
    EXPECT_TRUE(result.satellites[2].tps.empty());
}

struct ErrorCase {
    const char* text;
    const char* error;
};

TEST(SatellitesXmlReader, NamesTheLineOfTheFirstFault)
{
    const std::vector<ErrorCase> cases = {
        {"<satellites>\n<sat name=\"A\" position=\"10\">\n<transponder frequency=\"11000000\" symbol_rate=\"1\" "
         "polarization=\"0\"\n</sat>\n</satellites>",
         "line 4: Expected '>' or '/', but got '<'."},
        {"<satellites>\n<sat name=\"A\" position=\"10\">\n</sat>\n", "line 4: Premature end of document."},
        {"<satellites>\n<sat name=\"A\" position=\"10\"></sat>\n</satellites>\n<extra/>",
         "line 4: Extra content at end of document."},
        {"<channels/>", "line 1: the root element must be <satellites>, not <channels>"},
        {"", "line 1: Premature end of document."},
        {"<satellites>\n</satellites>", "the table holds no satellite"},
        {"<satellites>\n<sat name=\"A\"/>\n</satellites>", "line 2: <sat> without a position"},
        {"<satellites>\n<sat name=\"A\" position=\"1801\"/>\n</satellites>",
         "line 2: position must be tenths of a degree from -1800 to 1800, not \"1801\""},
        {"<satellites><sat position=\"1\">\n<transponder symbol_rate=\"1\" polarization=\"0\"/></sat></satellites>",
         "line 2: <transponder> without frequency"},
        {"<satellites><sat position=\"1\">\n<transponder frequency=\"11.0\" symbol_rate=\"1\" "
         "polarization=\"0\"/></sat></satellites>",
         "line 2: frequency must be Hz or kHz, not \"11.0\""},
        {"<satellites>\n<sat position=\"1\">\n<transponder frequency=\"11000000\" symbol_rate=\"1\" "
         "polarization=\"0\"/>\n<tranOponder frequency=\"11100000\" symbol_rate=\"1\" polarization=\"0\"/>\n"
         "</sat></satellites>",
         "line 4: <tranOponder> is no element of <sat>"},
        {"<satellites><sat position=\"1\">\n<transponder frequency=\"11000000\" symbol_rate=\"0\" "
         "polarization=\"0\"/></sat></satellites>",
         "line 2: symbol_rate must be symbols/s, not \"0\""},
        {"<satellites><sat position=\"1\">\n<transponder frequency=\"11000000\" symbol_rate=\"1\" "
         "polarization=\"4\"/></sat></satellites>",
         "line 2: polarization must be 0, 1, 2 or 3, not \"4\""},
        {"<satellites><sat position=\"1\">\n<transponder frequency=\"11000000\" symbol_rate=\"1\" "
         "polarization=\"1\" system=\"2\"/></sat></satellites>",
         "line 2: system must be 0 or 1, not \"2\""},
    };
    for (const ErrorCase& c : cases) {
        const TableReadResult result = ReadSatellitesXml(c.text);
        EXPECT_EQ(result.error, c.error) << c.text;
        EXPECT_TRUE(result.satellites.empty()) << c.text;
    }
    // A huge value is quoted cut to 80 characters.
    EXPECT_EQ(ReadSatellitesXml("<satellites><sat position=\"1\">\n<transponder frequency=\"11000000\" symbol_rate=\"1\" "
                                "polarization=\"" + std::string(5000, '7') + "\"/></sat></satellites>").error,
              "line 2: polarization must be 0, 1, 2 or 3, not \"" + std::string(80, '7') + "\u2026\"");
}

// Implausible numbers are read (the import skips their TPs): in kHz below 1 GHz, in Hz from it up
// to 1000 GHz.
TEST(SatellitesXmlReader, ReadsImplausibleNumbers)
{
    const TableReadResult result = ReadSatellitesXml(
        "<satellites><sat position=\"1\">\n<transponder frequency=\"999999999\" symbol_rate=\"201500000\" "
        "polarization=\"0\"/>\n<transponder frequency=\"999999999999\" symbol_rate=\"1\" polarization=\"0\"/>"
        "</sat></satellites>");
    ASSERT_TRUE(result.Ok()) << result.error;
    ASSERT_EQ(result.satellites[0].tps.size(), 2u);
    EXPECT_EQ(result.satellites[0].tps[0].frequencyKhz, 999999999);
    EXPECT_EQ(result.satellites[0].tps[0].symbolRate, 201500000);
    EXPECT_EQ(result.satellites[0].tps[1].frequencyKhz, 999999999);
    EXPECT_EQ(ReadSatellitesXml("<satellites><sat position=\"1\">\n<transponder frequency=\"1000000000000\" "
                                "symbol_rate=\"1\" polarization=\"0\"/></sat></satellites>")
                  .error,
              "line 2: frequency must be Hz or kHz, not \"1000000000000\"");
}

// The same satellites.xml in UTF-8 with a byte-order mark and in UTF-16 either way round, with an
// Arabic name: each file reads as the plain one.
TEST(SatellitesXmlReader, ReadsByteOrderMarksAndUtf16Files)
{
    const std::u16string text = u"\uFEFF<?xml version=\"1.0\"?>\n<satellites>\n<sat name=\"\u0639\u0631\u0628\u0633\u0627\u062A\" "
                                u"position=\"260\">\n<transponder frequency=\"11747000\" symbol_rate=\"27500000\" "
                                u"polarization=\"1\"/>\n</sat>\n</satellites>\n";
    std::string little;
    std::string big;
    for (const char16_t unit : text) {
        little += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
        big += {static_cast<char>(unit >> 8), static_cast<char>(unit & 0xFF)};
    }
    const std::string utf8 = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<satellites>\n<sat name=\"\u0639\u0631\u0628\u0633\u0627\u062A\" "
                             "position=\"260\">\n<transponder frequency=\"11747000\" symbol_rate=\"27500000\" "
                             "polarization=\"1\"/>\n</sat>\n</satellites>\n";
    test::ScratchFolder folder;
    for (const auto& [name, bytes] : {std::pair{"utf8.xml", utf8}, {"le.xml", little}, {"be.xml", big}}) {
        folder.Write(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        const TableReadResult result = ReadTpTableFile(folder.Path(name), ReadSatellitesXml);
        ASSERT_TRUE(result.Ok()) << name << ": " << result.error;
        ASSERT_EQ(result.satellites.size(), 1u) << name;
        EXPECT_EQ(result.satellites[0].name, "\u0639\u0631\u0628\u0633\u0627\u062A") << name;
        ASSERT_EQ(result.satellites[0].tps.size(), 1u) << name;
        EXPECT_EQ(result.satellites[0].tps[0].line, 4) << name;
        EXPECT_EQ(result.satellites[0].tps[0].FrequencyMhz(), 11747) << name;
    }
}

} // namespace
} // namespace torvane

#endif
