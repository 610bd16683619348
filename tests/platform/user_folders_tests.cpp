#include "platform/user_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::FolderKind;

struct LocationCase {
    const char* name;
    FolderKind kind;
    std::optional<std::string> xdgHome;
    std::optional<std::string> home;
    std::optional<fs::path> expected;
    std::vector<std::string> unset;  // named when there is no folder

    friend void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.name; }
};

class XdgFolder : public ::testing::TestWithParam<LocationCase> {};

TEST_P(XdgFolder, FollowsTheBaseDirectoryConvention) {
#if defined(_WIN32)
    GTEST_SKIP() << "POSIX folders: Windows keeps both under %LOCALAPPDATA%";
#endif
    const auto& c = GetParam();
    const auto folder = platform::xdgFolder(c.kind, c.xdgHome, c.home);
    ASSERT_EQ(folder.has_value(), c.expected.has_value());
    if (c.expected) {
        // Compared in generic form: the separator this code joins with is the platform's.
        EXPECT_EQ(folder->generic_string(), c.expected->generic_string());
    } else {
        EXPECT_EQ(folder.error().unsetVariables, c.unset);
    }
}

INSTANTIATE_TEST_SUITE_P(Posix, XdgFolder,
                         ::testing::Values(LocationCase{"StateHome",
                                                        FolderKind::State,
                                                        "/var/state",
                                                        "/home/u",
                                                        fs::path("/var/state/zeld"),
                                                        {}},
                                           LocationCase{"HomeOnly",
                                                        FolderKind::State,
                                                        std::nullopt,
                                                        "/home/u",
                                                        fs::path("/home/u/.local/state/zeld"),
                                                        {}},
                                           LocationCase{"RelativeStateHomeIsIgnored",
                                                        FolderKind::State,
                                                        "state",
                                                        "/home/u",
                                                        fs::path("/home/u/.local/state/zeld"),
                                                        {}},
                                           LocationCase{"Neither",
                                                        FolderKind::State,
                                                        std::nullopt,
                                                        std::nullopt,
                                                        std::nullopt,
                                                        {"XDG_STATE_HOME", "HOME"}},
                                           LocationCase{"DataHome",
                                                        FolderKind::Data,
                                                        "/var/data",
                                                        "/home/u",
                                                        fs::path("/var/data/zeld"),
                                                        {}},
                                           LocationCase{"DataUnderHome",
                                                        FolderKind::Data,
                                                        std::nullopt,
                                                        "/home/u",
                                                        fs::path("/home/u/.local/share/zeld"),
                                                        {}},
                                           LocationCase{"ConfigUnderHome",
                                                        FolderKind::Config,
                                                        "config",
                                                        "/home/u",
                                                        fs::path("/home/u/.config/zeld"),
                                                        {}},
                                           LocationCase{"NeitherForData",
                                                        FolderKind::Data,
                                                        std::nullopt,
                                                        "",
                                                        std::nullopt,
                                                        {"XDG_DATA_HOME", "HOME"}}));

}  // namespace
