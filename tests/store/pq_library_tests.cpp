// libpq loaded at run time: what is found where it is looked for, and words, never a crash, for
// what is not libpq.
#include "platform/libpq_location.h"
#include "platform/program_location.h"
#include "store/pq_library.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

struct LoadCase {
    const char* what;
    std::vector<std::filesystem::path> places;
    const char* words;  // in the error; nothing when libpq loads
};

TEST(PqLibrary, LoadsTheFirstLibpqThereAndNamesWhatIsWrongWithAnythingElse) {
    const testing_support::ScratchFolder scratch;
    const auto missing = scratch.path() / "none" / "libpq.so.5";
    const auto text = scratch.path() / "libpq.so.5";
    std::ofstream(text) << "not a library\n";
    const auto folder = platform::executableFolder();
    ASSERT_TRUE(folder);
    // The emulated reader's library, built beside the tests: a library, but not libpq.
    const auto reader = *folder / platform::sharedLibraryFileName("MF1");
    const auto places = platform::libpqPlaces();
    const auto system = std::find_if(places.begin(), places.end(), [](const auto& place) {
        return std::filesystem::is_regular_file(place);
    });
    ASSERT_NE(system, places.end()) << "the system's libpq (libpq5) is not where it is looked for";

    const std::vector<LoadCase> cases{
        {"nothing where it is looked for", {missing}, "找不到数据库组件 libpq"},
        {"a file that is no library", {text}, "无法加载数据库组件"},
        {"a library without libpq's functions", {reader}, "缺少 PQlibVersion"},
        {"the system's, after a place with nothing", {missing, *system}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto loaded = store::loadPqLibrary(c.places);
        if (c.words == nullptr) {
            ASSERT_TRUE(loaded) << loaded.error();
            EXPECT_GE(loaded->functions.libVersion(), 130000);
            continue;
        }
        ASSERT_FALSE(loaded);
        EXPECT_NE(loaded.error().find(c.words), std::string::npos) << loaded.error();
    }
}

}  // namespace
