#include "editing/forms/file_filter.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace torvane {
namespace {

TEST(FileFilter, SplitsEntriesIntoLabelPatternAndExtension)
{
    const FileFilter filter(kSaveDefaultDatabaseAsFilter, "");
    EXPECT_EQ(filter.Types(), (std::vector<FileType>{{"Default DB File with order(*.df2)", "*.df2", ".df2"},
                                                     {"Default DB File(*.ddf)", "*.ddf", ".ddf"},
                                                     {"CSV File(*.csv)", "*.csv", ".csv"},
                                                     {"Enigma2 Settings (folder)(*)", "*", ""}}));
    EXPECT_EQ(FileFilter("Anything|Odd(x)|(*.h|Settings (folder)(*)", "").Types(),
              (std::vector<FileType>{{"Anything", "", ""},
                                     {"Odd(x)", "x", "x"},
                                     {"(*.h", "", ""},
                                     {"Settings (folder)(*)", "*", ""}}))
        << "the last parenthesis holds the pattern";

    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "T" + std::to_string(i) + "(*.e" + std::to_string(i) + ")|";
    const FileFilter twenty(many, "");
    ASSERT_EQ(twenty.Types().size(), FileFilter::kMaxTypes);
    EXPECT_EQ(twenty.Types().back().extension, ".e19");
}

struct Opening {
    std::string_view filter;
    std::string defaultName;
    std::string name;
    int typeNumber;
};

TEST(FileFilter, NameAndTypeTheDialogOpensWith)
{
    for (const Opening& c : {
             Opening{kOpenFileFilter, "", "*.bin", 1},
             Opening{kSaveAsFilter, "demo.ddf", "demo.ddf", 3},
             Opening{kSaveAsFilter, "list.txt", "list.txt", 4},
             Opening{kSaveAsFilter, "list.csv", "list.csv", 5},
             Opening{kSaveDefaultDatabaseAsFilter, "factory.csv", "factory.csv", 3},
             Opening{kListFileFilter, "", "*.bin", 1},
             Opening{kSaveAsFilter, "demo", "demo", 1},
             // The name's text from its FIRST "." on is the extension looked for.
             Opening{kSaveAsFilter, "demo.v2.df2", "demo.v2.df2", 1},
             Opening{kSaveAsFilter, "demo.DF2", "demo.DF2", 1},
             Opening{"", "x.bin", "", 0},
         }) {
        const FileFilter filter(c.filter, c.defaultName);
        EXPECT_EQ(filter.Name(), c.name) << c.defaultName;
        EXPECT_EQ(filter.TypeNumber(), c.typeNumber) << c.defaultName;
    }
}

TEST(FileFilter, PickingATypeRenamesTheFileAndIsRemembered)
{
    FileFilter filter(kSaveAsFilter, "demo.bin");
    struct Pick {
        int number;
        std::string box;
        std::string name;
        int typeNumber;
    };
    for (const Pick& pick : {
             Pick{2, "demo.bin", "demo.df2", 2},
             Pick{4, "a.b.c", "a.txt", 4},
             Pick{3, "plain", "plain.ddf", 3},
             Pick{1, "", "*.bin", 1},
             Pick{2, ".hidden", ".df2", 2},
             Pick{5, "list.df2", "list.csv", 5},
             Pick{6, "kept.bin", "kept", 6},  // a folder: the name loses its file type
             Pick{7, "other.bin", "kept", 6},  // no seventh type: nothing changes
             Pick{0, "other.bin", "kept", 6},
         }) {
        filter.PickType(pick.number, pick.box);
        EXPECT_EQ(filter.Name(), pick.name) << pick.box;
        EXPECT_EQ(filter.TypeNumber(), pick.typeNumber) << pick.box;
    }
}

} // namespace
} // namespace torvane
