#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/enigma2_bouquets.h"
#include "exchange/enigma2_folder.h"
#include "exchange/enigma2_lamedb.h"
#include "support/enigma2_examples.h"
#include "support/scratch_folder.h"
#include "util/file_name.h"

namespace torvane {
namespace {

using test::ScratchFolder;

void WriteText(const ScratchFolder& folder, const std::string& name, std::string_view text)
{
    folder.Write(name, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::string Replaced(std::string_view text, std::string_view from, std::string_view to)
{
    std::string result;
    std::size_t start = 0;
    for (std::size_t at = text.find(from); at != std::string_view::npos; at = text.find(from, start)) {
        result.append(text.substr(start, at - start)).append(to);
        start = at + from.size();
    }
    return result.append(text.substr(start));
}

TEST(Enigma2Reader, ReadsTheExampleFolderOfTheFormatNote)
{
    ScratchFolder folder;
    WriteText(folder, "lamedb", test::kExampleLamedb);
    WriteText(folder, "bouquets.tv", test::kExampleBouquetsTv);
    WriteText(folder, "userbouquet.demo.tv", test::kExampleDemoBouquet);
    const E2Settings settings = ReadE2Folder(FileNamePath(folder.Path()), nullptr);
    ASSERT_TRUE(settings.Ok()) << settings.error;
    const E2Lamedb& lamedb = settings.lamedb;
    ASSERT_EQ(lamedb.tps.size(), 2u);
    const E2Transponder& west = lamedb.tps[1];
    EXPECT_EQ(west.key, (E2TpKey{0x0dca0000, 3, 0xb0}));
    EXPECT_EQ(west.frequencyKhz, 11013000);
    EXPECT_EQ(west.symbolRate, 30000000);
    EXPECT_EQ(west.polarization, 1);
    EXPECT_EQ(west.fec, 2);
    EXPECT_EQ(west.position, -70);
    EXPECT_EQ(west.system, 1);
    EXPECT_EQ(west.modulation, 2);
    EXPECT_EQ(west.line, 6);
    EXPECT_EQ(lamedb.tps[0].system, 0);
    EXPECT_EQ(lamedb.tps[0].position, 192);

    ASSERT_EQ(lamedb.services.size(), 4u);
    const E2Service& beta = lamedb.services[2];
    EXPECT_EQ(beta.key, (E2ServiceKey{{0x0dca0000, 3, 0xb0}, 0x11, 25}));
    EXPECT_EQ(beta.name, "Beta HD");
    EXPECT_EQ(beta.provider, "Beta Sat");
    EXPECT_EQ(beta.Cache(E2Cache::VideoPid), 0x200u);
    EXPECT_EQ(beta.Cache(E2Cache::Ac3AudioPid), 0x204u);
    EXPECT_EQ(beta.Cache(E2Cache::MpegAudioPid), std::nullopt);
    EXPECT_EQ(beta.caIds, (std::vector<std::uint32_t>{0x500, 0x100}));
    EXPECT_EQ(lamedb.services[1].flags, kE2HiddenFlag);
    EXPECT_EQ(lamedb.services[3].name, "G\xC3\xA4mma Kids");
    EXPECT_EQ(ServiceKindOf(lamedb.services[1].key.type), E2ServiceKind::Radio);
    EXPECT_EQ(ServiceKindOf(beta.key.type), E2ServiceKind::Tv);

    ASSERT_EQ(settings.bouquets.size(), 1u);
    EXPECT_EQ(settings.bouquets[0].name, "Demo favourites");
    EXPECT_FALSE(settings.bouquets[0].radio);
    EXPECT_EQ(settings.bouquets[0].services, (std::vector<std::size_t>{0, 3, 2}));
    EXPECT_EQ(settings.markers, 2);
    EXPECT_TRUE(settings.unresolved.empty());
}

TEST(Enigma2Reader, AcceptsWhatTheNoteSaysReadersMust)
{
    const std::string example(test::kExampleLamedb);
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"CR LF and a byte order mark", "\xEF\xBB\xBF" + Replaced(example, "\n", "\r\n")},
        {"upper case and short hex", Replaced(example, "0011:0dca0000:0003:00b0", "11:DCA0000:3:B0")},
        {"a missing end after the services", example.substr(0, example.size() - 4)},
        {"version 3 lines without flags", Replaced(Replaced(example, "/4/", "/3/"), ":192:2:0\n", ":192:2\n")},
        {"the unsigned west position", Replaced(example, ":-70:", ":3530:")},
        {"p: last", Replaced(example, "p:Beta Sat,c:000200,c:030200", "c:000200,c:030200,p:Beta Sat")},
        {"blank lines between records", Replaced(example, "/\n0dca", "/\n\n0dca")},
    };
    for (const auto& [what, text] : variants) {
        const E2Lamedb lamedb = ReadLamedb(text);
        ASSERT_TRUE(lamedb.Ok()) << what << ": " << lamedb.error;
        ASSERT_EQ(lamedb.services.size(), 4u) << what;
        EXPECT_EQ(lamedb.tps[1].position, -70) << what;
        EXPECT_EQ(lamedb.services[2].key, (E2ServiceKey{{0x0dca0000, 3, 0xb0}, 0x11, 25})) << what;
        EXPECT_EQ(lamedb.services[2].provider, "Beta Sat") << what;
        EXPECT_EQ(lamedb.services[3].name, "G\xC3\xA4mma Kids") << what;
    }
}

TEST(Enigma2Reader, CountsWhatItLeavesOutAndKeepsRawNames)
{
    const std::string text = "eDVB services /4/\ntransponders\n"
                             "00c00000:044d:0001\n\ts 11836000:27500000:0:3:192:2:0\n/\n"
                             "00c00000:044d:0001\n\ts 11837000:27500000:1:3:192:2:0,MIS/PLS:1:0:1\n/\n"
                             "eeee0000:0001:0001\n\tt 474000000:0:1:0:0:0:0:0:0:0:0:0\n/\n"
                             "end\nservices\n"
                             "0001:00c00000:044d:0001:1:0\n\xC2\x86" "Short\xC2\x87 long\n" + std::string(300, 'p') + "\n"
                             "0001:00c00000:044d:0001:1:0\nAgain\np:\n"
                             "0001:00c00000:044d:0001:3:0\nData\np:,f:40\n"
                             "0002:eeee0000:0001:0001:1:0\nTerrestrial\np:\n"
                             "0003:00c00000:0999:0001:1:0\nNo TP\np:\nend\nfree text\n";
    const E2Lamedb lamedb = ReadLamedb(text);
    ASSERT_TRUE(lamedb.Ok()) << lamedb.error;
    ASSERT_EQ(lamedb.tps.size(), 1u);  // the later record of a key replaces the earlier
    EXPECT_EQ(lamedb.tps[0].frequencyKhz, 11837000);
    EXPECT_EQ(lamedb.otherTps, 1);
    EXPECT_EQ(lamedb.duplicateServices, 1);
    EXPECT_EQ(lamedb.servicesOffSatellite, 2);
    EXPECT_EQ(lamedb.longLines, 1);
    ASSERT_EQ(lamedb.services.size(), 2u);
    EXPECT_EQ(lamedb.services[0].rawName, "\xC2\x86Short\xC2\x87 long");
    EXPECT_EQ(lamedb.services[0].name, "Short long");
    EXPECT_EQ(lamedb.services[0].provider, std::string(300, 'p'));  // a line without "x:" names the provider
    EXPECT_EQ(lamedb.services[1].flags, 0x40u);  // hex
    EXPECT_EQ(ServiceKindOf(lamedb.services[1].key.type), E2ServiceKind::Other);
}

TEST(Enigma2Reader, RefusesABrokenLamedbWithItsLine)
{
    const std::string example(test::kExampleLamedb);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "line 1: \"eDVB services /4/\" expected"},
        {"eDVB services /x/\n", "line 1: \"eDVB services /4/\" expected"},
        {Replaced(example, "transponders\n", "transponders \n"), "line 2: \"transponders\" expected"},
        {Replaced(example, "\ts 11836", "  s 11836"), "line 4: a TAB, the delivery type and a space expected"},
        {Replaced(example, "0:3:192:2:0\n/", "0:3:192:2:0\n//"), "line 5: \"/\" expected"},
        {Replaced(example, ":192:2:0\n", ":192:2\n"), "line 4: the \"s\" line has 6 fields, not 7, 11, 14 or 16"},
        {Replaced(example, ":192:", ":1801x:"), "line 4: the \"s\" line has a field that is no number: \"1801x\""},
        {Replaced(example, "11836000:27500000:0:", "11836000:27500000:4:"),
         "line 4: the \"s\" line has a frequency, symbol rate, polarisation or position out of range"},
        {Replaced(example, "0dca0000:0003:00b0\n\t", "0dca0000:10003:00b0\n\t"),
         "line 6: a TP key NNNNNNNN:TTTT:OOOO expected"},
        {Replaced(example, "end\nservices", "services"), "line 9: \"end\" expected"},
        {example.substr(0, example.find("end\nservices")), "line 8: the file ends among the TPs"},
        {Replaced(example, "2ee4:00c00000:044d:0001:2:0:0", "2ee4:00c00000:044d:0001:2"),
         "line 14: a service key SSSS:NNNNNNNN:TTTT:OOOO:type:number expected"},
        {Replaced(example, "c:0100b2", "c:01zz"), "line 16: bad item \"c:01zz\""},
        {Replaced(example, "f:2", "f:"), "line 16: bad item \"f:\""},
        {example.substr(0, example.find("p:Demo Net,c:0100b2")), "line 15: the file ends inside a service record"},
        {"eDVB services /5/\nt:00c00000:044d,s:1:1:0:0:0:0:0\n",
         "line 2: a TP t:NNNNNNNN:TTTT:OOOO,x:… or a service s:… expected"},
        {"eDVB services /5/\ns:2ee3:00c00000:044d:0001:1:0:0,\"Alpha\n",
         "line 2: a service s:SSSS:NNNNNNNN:TTTT:OOOO:type:number:source,\"name\" expected"},
    };
    for (const auto& [text, error] : cases) {
        const E2Lamedb lamedb = ReadLamedb(text);
        EXPECT_EQ(lamedb.error, error) << text;
        EXPECT_TRUE(lamedb.tps.empty() && lamedb.services.empty()) << text;
    }
}

TEST(Enigma2Reader, ReadsLamedb5AsTheSameRecords)
{
    const E2Lamedb v5 = ReadLamedb(test::kExampleLamedb5);
    const E2Lamedb v4 = ReadLamedb(test::kExampleLamedb);
    ASSERT_TRUE(v5.Ok()) << v5.error;
    EXPECT_EQ(v5.version, 5);
    ASSERT_EQ(v5.tps.size(), 1u);
    ASSERT_EQ(v5.services.size(), 1u);
    EXPECT_EQ(v5.tps[0].key, v4.tps[0].key);
    EXPECT_EQ(v5.tps[0].frequencyKhz, v4.tps[0].frequencyKhz);
    EXPECT_EQ(v5.tps[0].fec, v4.tps[0].fec);
    EXPECT_EQ(v5.services[0].key, v4.services[0].key);
    EXPECT_EQ(v5.services[0].name, v4.services[0].name);
    EXPECT_EQ(v5.services[0].provider, v4.services[0].provider);
    EXPECT_EQ(v5.services[0].cache, v4.services[0].cache);
    // Without a provider and with the name alone.
    const E2Lamedb bare = ReadLamedb("eDVB services /5/\nt:00c00000:044d:0001,s:11836000:27500000:0:3:192:2:0\n"
                                     "s:2ee3:00c00000:044d:0001:1:0:0,\"Alpha TV\"\n");
    ASSERT_TRUE(bare.Ok()) << bare.error;
    EXPECT_EQ(bare.services[0].name, "Alpha TV");
}

TEST(Enigma2Reader, ResolvesBouquetsAndReportsWhatItCannot)
{
    ScratchFolder folder;
    std::filesystem::create_directory(FileNamePath(folder.Path("bouquets")));
    WriteText(folder, "lamedb", test::kExampleLamedb);
    WriteText(folder, "bouquets.tv",
              "#NAME TV\r\n#SERVICE: 1:7:1:0:0:0:0:0:0:0:userbouquet.bare.tv\r\n"
              "#SERVICE 1:64:0:0:0:0:0:0:0:0::Between\r\n"
              "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.gone.tv\" ORDER BY bouquet\r\n");
    WriteText(folder, "bouquets/userbouquet.bare.tv",
              "#NAME Bare\r\n#SERVICE 1:0:19:11:3:b0:dca0000:0:0:0:\r\n"
              "#SERVICE 1:0:1:11:3:B0:DCA0000:0:0:0:\r\n"
              "#SERVICE 4097:0:1:0:0:0:0:0:0:0:http%3a//stream:Stream\r\n"
              "#SERVICE 1:134:1:0:0:0:0:0:0:0:FROM BOUQUET \"alternatives.alpha.tv\" ORDER BY bouquet\r\n"
              "#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET \"sub.tv\" ORDER BY bouquet\r\n"
              "\r\n#SERVICE 1:0:19:11:3:B0:DCA0000:0:0:0:\r\n"
              "\n#SERVICE 1:0:16:12:3:B0:DCA0000:0:0:0:\n");
    WriteText(folder, "alternatives.alpha.tv",
              "#NAME Alpha\n#SERVICE 1:0:1:9999:44D:1:C00000:0:0:0:\n#SERVICE 1:0:1:2EE3:44D:1:C00000:0:0:0:\n"
              "#SERVICE 1:0:2:2EE4:44D:1:C00000:0:0:0:\n");
    WriteText(folder, "sub.tv", "#NAME Sub\n#SERVICE 1:0:2:2EE4:44D:1:C00000:0:0:0:\n#SERVICE bad\n");
    WriteText(folder, "bouquets.radio",
              "#NAME Radio\n#SERVICE 1:7:2:0:0:0:0:0:0:0:FROM BOUQUET \"userbouquet.r.radio\" ORDER BY bouquet\n");
    WriteText(folder, "userbouquet.r.radio", "#SERVICE 1:0:2:2ee4:44d:1:c00000:0:0:0:\n");
    const E2Settings settings = ReadE2Folder(FileNamePath(folder.Path()), nullptr);
    ASSERT_TRUE(settings.Ok()) << settings.error;
    ASSERT_EQ(settings.bouquets.size(), 2u);
    EXPECT_EQ(settings.bouquets[0].name, "Bare");
    // Beta HD; the alternatives' first service found (Alpha TV); the sub-bouquet's Alpha Radio;
    // the empty CR LF line is harmless, the empty LF line ends the file.
    EXPECT_EQ(settings.bouquets[0].services, (std::vector<std::size_t>{2, 0, 1}));
    EXPECT_EQ(settings.bouquets[1].name, "userbouquet.r.radio");
    EXPECT_TRUE(settings.bouquets[1].radio);
    EXPECT_EQ(settings.bouquets[1].services, (std::vector<std::size_t>{1}));
    EXPECT_EQ(settings.markers, 1);
    EXPECT_EQ(settings.streams, 1);
    EXPECT_EQ(settings.unresolved,
              (std::vector<std::string>{
                  "userbouquet.bare.tv line 3: no service 1:0:1:11:3:B0:DCA0000:0:0:0:",
                  "alternatives.alpha.tv line 2: no service 1:0:1:9999:44D:1:C00000:0:0:0:",
                  "sub.tv line 3: unreadable reference bad",
                  "bouquets.tv line 4: no file \"userbouquet.gone.tv\"",
              }));
}

TEST(Enigma2Reader, RefusesAFolderItCannotUse)
{
    ScratchFolder folder;
    EXPECT_EQ(ReadE2Folder(FileNamePath(folder.Path("none")), nullptr).error, "\"" + folder.Path("none") + "\" is no folder");
    EXPECT_EQ(ReadE2Folder(FileNamePath(folder.Path()), nullptr).error, "no lamedb or lamedb5 in \"" + folder.Path() + "\"");
    WriteText(folder, "lamedb5", "eDVB services /5/\nx\n");
    EXPECT_EQ(ReadE2Folder(FileNamePath(folder.Path()), nullptr).error,
              "lamedb5 line 2: a TP t:NNNNNNNN:TTTT:OOOO,x:… or a service s:… expected");
    WriteText(folder, "lamedb", test::kExampleLamedb);
    WriteText(folder, "bouquets.tv", test::kExampleBouquetsTv);
    WriteText(folder, "userbouquet.demo.tv", "");
    std::filesystem::resize_file(FileNamePath(folder.Path("userbouquet.demo.tv")), kMaxE2FileBytes + 1);
    const E2Settings settings = ReadE2Folder(FileNamePath(folder.Path()), nullptr);
    EXPECT_EQ(settings.error, "userbouquet.demo.tv: larger than 16 MiB, not read");
    EXPECT_TRUE(settings.lamedb.services.empty() && settings.bouquets.empty());
}

TEST(Enigma2Reader, ReferencesReadBackAsTheyAreWritten)
{
    const E2ServiceKey key{{0x0dca0000, 3, 0xb0}, 0x11, 25};
    EXPECT_EQ(E2ReferenceText(key), "1:0:19:11:3:B0:DCA0000:0:0:0:");
    const std::optional<E2Reference> reference = ParseE2Reference(E2ReferenceText(key));
    ASSERT_TRUE(reference);
    EXPECT_EQ(reference->Service(), key);
    for (const char* text : {"1:0:19:11:3:B0", "1:0:19:11:3:B0:DCA0000:0:0:x:", "x:0:1:1:1:1:1:0:0:0:"})
        EXPECT_FALSE(ParseE2Reference(text)) << text;
    EXPECT_EQ(ParseE2Reference("1:64:1:0:0:0:0:0:0:0::Free%3a to air")->name, "Free: to air");
}

} // namespace
} // namespace torvane
