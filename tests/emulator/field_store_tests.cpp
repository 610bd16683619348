// The field file on disk: missing, created, shared by two writers, damaged, and where it lives.
#include "emulator/field_file_format.h"
#include "emulator/field_location.h"
#include "emulator/field_store.h"

#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using emulator::FieldError;
using emulator::FieldState;
using emulator::FieldStore;

using testing_support::ScratchFolder;

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary);
    out << text;
}

bool addBeep(FieldState& field) {
    ++field.beeps;
    return true;
}

TEST(FieldStore, AMissingFileIsAnEmptyFieldAndReadingItCreatesNoFile) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "absent" / "field");
    const auto state = store.load();
    ASSERT_TRUE(state) << state.error().message;
    EXPECT_EQ(*state, FieldState{});
    EXPECT_FALSE(fs::exists(store.file()));
}

TEST(FieldStore, AChangeCreatesTheFolderAndTheFile) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "new" / "folder" / "field");
    const auto changed = store.update([](FieldState& field) {
        field.tag = emulator::t5577Holding({1, 2, 3, 4, 5});
        return true;
    });
    ASSERT_TRUE(changed) << changed.error().message;
    const auto parsed = emulator::parseFieldFile(contentOf(store.file()));
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->tag, emulator::Tag{emulator::t5577Holding({1, 2, 3, 4, 5})});
    EXPECT_EQ(store.load()->tag, parsed->tag);
}

TEST(FieldStore, AnUnchangedFieldIsNotWritten) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    ASSERT_TRUE(store.update([](FieldState&) { return false; }));
    EXPECT_FALSE(fs::exists(store.file()));
}

TEST(FieldStore, LeavesNoTemporaryFilesBehind) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(store.update(addBeep));
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"field", "field.lock"}));
}

TEST(FieldStore, TwoStoresWritingAtOnceFromTwoThreadsLoseNothing) {
    const ScratchFolder folder;
    constexpr int kEach = 150;
    auto writer = [&] {
        const FieldStore store(folder.path() / "field");  // a store (and lock) of its own
        for (int i = 0; i < kEach; ++i) {
            const auto result = store.update(addBeep);
            ASSERT_TRUE(result) << result.error().message;
        }
    };
    std::thread first(writer);
    std::thread second(writer);
    first.join();
    second.join();
    const auto state = FieldStore(folder.path() / "field").load();
    ASSERT_TRUE(state) << state.error().message;
    EXPECT_EQ(state->beeps, 2U * kEach);
}

#if !defined(_WIN32)
TEST(FieldStore, TwoProcessesWritingAtOnceLoseNothing) {
    const ScratchFolder folder;
    const fs::path file = folder.path() / "field";
    constexpr int kEach = 150;
    std::vector<pid_t> children;
    for (int child = 0; child < 2; ++child) {
        const pid_t pid = fork();
        ASSERT_NE(pid, -1);
        if (pid == 0) {
            const FieldStore store(file);
            for (int i = 0; i < kEach; ++i) {
                if (!store.update(addBeep)) {
                    _exit(1);
                }
                // A reader in between must always find a whole field.
                if (!store.load()) {
                    _exit(2);
                }
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    const auto state = FieldStore(file).load();
    ASSERT_TRUE(state) << state.error().message;
    EXPECT_EQ(state->beeps, 2U * kEach);
}
#endif

TEST(FieldStore, ADamagedFileIsReportedAndNeverOverwrittenByAChange) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    const std::string damaged = "zeld-emulated-field 1\nbeeps many\n";
    writeText(store.file(), damaged);

    const auto loaded = store.load();
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().kind, FieldError::Kind::Damaged);
    EXPECT_NE(loaded.error().message.find(store.file().string()), std::string::npos);
    EXPECT_NE(loaded.error().message.find("line 2"), std::string::npos);
    EXPECT_EQ(emulator::statusOf(loaded.error()), emulator::Status::FieldFileDamaged);

    bool called = false;
    const auto changed = store.update([&](FieldState& field) {
        called = true;
        return addBeep(field);
    });
    ASSERT_FALSE(changed);
    EXPECT_EQ(changed.error().kind, FieldError::Kind::Damaged);
    EXPECT_FALSE(called);
    EXPECT_EQ(contentOf(store.file()), damaged);
}

TEST(FieldStore, AnOversizedFileIsDamaged) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    writeText(store.file(),
              emulator::formatFieldFile(FieldState{}) + std::string(FieldStore::kLargestFile, '#'));
    const auto loaded = store.load();
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().kind, FieldError::Kind::Damaged);
}

TEST(FieldStore, OverwriteReplacesADamagedFile) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    writeText(store.file(), "garbage");
    ASSERT_FALSE(store.overwrite(FieldState{}).has_value());
    const auto loaded = store.load();
    ASSERT_TRUE(loaded) << loaded.error().message;
    EXPECT_EQ(*loaded, FieldState{});
}

TEST(FieldStore, AFolderInThePlaceOfTheFileIsUnavailable) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    fs::create_directories(store.file());
    const auto loaded = store.load();
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.error().kind, FieldError::Kind::Unavailable);
    EXPECT_EQ(emulator::statusOf(loaded.error()), emulator::Status::FieldFileUnavailable);
    EXPECT_FALSE(store.update(addBeep));
    EXPECT_TRUE(fs::is_directory(store.file()));
}

TEST(FieldStore, TheLockIsAFileOfItsOwnBesideTheField) {
    const FieldStore store(fs::path("some") / "where" / "field");
    EXPECT_EQ(store.lockFile(), fs::path("some") / "where" / "field.lock");
}

struct LocationCase {
    const char* name;
    std::optional<std::string> xdgStateHome;
    std::optional<std::string> home;
    std::optional<fs::path> expected;

    friend void PrintTo(const LocationCase& c, std::ostream* os) { *os << c.name; }
};

class DefaultFieldFile : public ::testing::TestWithParam<LocationCase> {};

TEST_P(DefaultFieldFile, FollowsTheStateFolderConvention) {
    const auto& c = GetParam();
    const auto file = emulator::posixDefaultFieldFile(c.xdgStateHome, c.home);
    ASSERT_EQ(file.has_value(), c.expected.has_value());
    if (c.expected) {
        // Compared in generic form: the separator this code joins with is the platform's.
        EXPECT_EQ(file->generic_string(), c.expected->generic_string());
    } else {
        EXPECT_NE(file.error().find("MF1_EMULATOR_FIELD"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Posix, DefaultFieldFile,
    ::testing::Values(LocationCase{"StateHome", "/var/state", "/home/u",
                                   fs::path("/var/state/zeld/emulated-field")},
                      LocationCase{"HomeOnly", std::nullopt, "/home/u",
                                   fs::path("/home/u/.local/state/zeld/emulated-field")},
                      LocationCase{"RelativeStateHomeIsIgnored", "state", "/home/u",
                                   fs::path("/home/u/.local/state/zeld/emulated-field")},
                      LocationCase{"Neither", std::nullopt, std::nullopt, std::nullopt}));

}  // namespace
