// Names Windows cannot hold are told apart from those it can, in every part of a path.
#include "common/file_names.h"

#include <gtest/gtest.h>

namespace kvd {
namespace {

TEST(FileNames, WindowsRefusesReservedCharactersDevicesAndTrailingDots) {
    struct Case {
        const char* path;
        const char* says;  // empty: Windows takes the path
    };
    const Case cases[] = {
        {"trips", ""},
        {"C:\\Users\\me\\trips", ""},
        {"C:trips/2024", ""},
        {"\\\\server\\share\\trips", ""},
        {"\\\\?\\C:\\odd.", ""},  // the long form is taken as it stands
        {"./trips/../保存先", ""},
        {"console", ""},
        {"COM10", ""},
        {"NULL.txt", ""},
        {"a<b", "the name 'a<b' cannot be used on Windows (it holds '<')"},
        {"C:\\trips\\what?", "the name 'what?' cannot be used on Windows (it holds '?')"},
        {"trips/a:b/c", "the name 'a:b' cannot be used on Windows (it holds ':')"},
        {"say \"hi\"", "the name 'say \"hi\"' cannot be used on Windows (it holds '\"')"},
        {"a|b", "the name 'a|b' cannot be used on Windows (it holds '|')"},
        {"*", "the name '*' cannot be used on Windows (it holds '*')"},
        {"tab\there",
         "the name 'tab\there' cannot be used on Windows (it holds a control character)"},
        {"trips.", "the name 'trips.' cannot be used on Windows (it ends in a dot)"},
        {"trips /x", "the name 'trips ' cannot be used on Windows (it ends in a space)"},
        {"con", "the name 'con' cannot be used on Windows (it is the name of a device)"},
        {"out\\NUL.kml",
         "the name 'NUL.kml' cannot be used on Windows (it is the name of a device)"},
        {"Lpt9", "the name 'Lpt9' cannot be used on Windows (it is the name of a device)"},
        {"COM1 .txt",
         "the name 'COM1 .txt' cannot be used on Windows (it is the name of a device)"},
        {"com\u00b2",
         "the name 'com\u00b2' cannot be used on Windows (it is the name of a device)"},
    };
    for (const Case& c : cases) EXPECT_EQ(WindowsRefusedName(c.path), c.says) << c.path;
}

TEST(FileNames, OnlyWindowsHoldsItsUsersToItsRules) {
#ifdef _WIN32
    EXPECT_NE(UnusableName("a<b"), "");
#else
    EXPECT_EQ(UnusableName("a<b"), "");
#endif
    EXPECT_EQ(UnusableName("trips"), "");
}

}  // namespace
}  // namespace kvd
