#include "exchange/enigma2_writer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/enigma2_lamedb.h"
#include "support/enigma2_examples.h"
#include "support/scratch_folder.h"
#include "util/file_name.h"

namespace torvane {
namespace {

// The note's lamedb read and written again is the same bytes, with the free line after "end".
TEST(Enigma2Writer, WritesLamedbAsEnigma2Does)
{
    const E2Lamedb lamedb = ReadLamedb(test::kExampleLamedb);
    ASSERT_TRUE(lamedb.Ok()) << lamedb.error;
    EXPECT_EQ(LamedbText(lamedb), std::string(test::kExampleLamedb) + "written by Torvane\n");
    // Read from lamedb5, upper case or with p: last, it is still written the one way.
    const std::string shuffled = std::string(test::kExampleLamedb).replace(
        std::string(test::kExampleLamedb).find("p:Beta Sat,c:000200"), 19, "c:000200,p:Beta Sat");
    EXPECT_EQ(LamedbText(ReadLamedb(shuffled)), LamedbText(lamedb));
    const std::string fromV5 = LamedbText(ReadLamedb(test::kExampleLamedb5));
    EXPECT_EQ(fromV5, "eDVB services /4/\ntransponders\n00c00000:044d:0001\n\ts 11836000:27500000:0:3:192:2:0\n/\nend\n"
                      "services\n2ee3:00c00000:044d:0001:1:0:0\nAlpha TV\np:Demo Net,c:0000a1,c:0100a2,c:0200a4,"
                      "c:0300a1\nend\nwritten by Torvane\n");
}

TEST(Enigma2Writer, WritesRootsBouquetsAndSatellites)
{
    E2Settings settings;
    settings.lamedb = ReadLamedb(test::kExampleLamedb);
    settings.bouquets = {{"All Services", "userbouquet.all_services.tv", false, {3, 0}},
                         {"Radio", "userbouquet.radio.radio", true, {1}}};
    settings.satelliteNames = {{192, "Astra <19.2E> & \"1N\""}};
    const std::vector<E2File> files = WriteE2Files(settings);
    std::vector<std::string> names;
    for (const E2File& file : files)
        names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{"lamedb", "bouquets.tv", "bouquets.radio", "userbouquet.all_services.tv",
                                               "userbouquet.radio.radio", "satellites.xml"}));
    EXPECT_EQ(files[1].text, "#NAME Bouquets (TV)\n#SERVICE 1:7:1:0:0:0:0:0:0:0:FROM BOUQUET "
                             "\"userbouquet.all_services.tv\" ORDER BY bouquet\n");
    EXPECT_EQ(files[2].text, "#NAME Bouquets (Radio)\n#SERVICE 1:7:2:0:0:0:0:0:0:0:FROM BOUQUET "
                             "\"userbouquet.radio.radio\" ORDER BY bouquet\n");
    EXPECT_EQ(files[3].text, "#NAME All Services\n#SERVICE 1:0:16:12:3:B0:DCA0000:0:0:0:\n"
                             "#SERVICE 1:0:1:2EE3:44D:1:C00000:0:0:0:\n");
    EXPECT_EQ(files[5].text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<satellites>\n"
                             "\t<sat name=\"Astra &lt;19.2E&gt; &amp; &quot;1N&quot;\" flags=\"0\" position=\"192\">\n"
                             "\t\t<transponder frequency=\"11836000000\" symbol_rate=\"27500000\" polarization=\"0\" "
                             "fec_inner=\"3\" system=\"0\" modulation=\"1\"/>\n\t</sat>\n</satellites>\n");
}

TEST(Enigma2Writer, RefusesAPathThatIsNoFolder)
{
    test::ScratchFolder folder;
    folder.Write("file", std::vector<std::uint8_t>{'x'});
    EXPECT_EQ(WriteE2Folder(FileNamePath(folder.Path("file")), {{"lamedb", "x"}}),
              "\"" + folder.Path("file") + "\" is no folder");
    EXPECT_EQ(WriteE2Folder(FileNamePath(folder.Path("none/deeper")), {{"lamedb", "x"}}),
              "cannot make the folder \"" + folder.Path("none/deeper") + "\"");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"file"}));
}

} // namespace
} // namespace torvane
