// The field file on disk: missing, created, shared by two writers, damaged, and where it lives.
#include "emulator/field_file_format.h"
#include "emulator/field_store.h"
#include "platform/replace_file.h"

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
#include <sys/stat.h>
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

TEST(FieldStore, LeavesNoTemporaryFilesBehindAndRemovesThoseOfDeadWriters) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    // What writers killed before their rename left: an older writer's name and a current one.
    writeText(folder.path() / "field.tmp-4242", "zeld-emulated-field 1\n");
    writeText(platform::temporaryName(store.file(), 0x0123456789ABCDEFULL), "");
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

#if !defined(_WIN32)
// Whoever can write to the field's folder plants links there, hoping that the emulator, run by
// another user (perhaps root), writes field text over the links' target.
struct PlantedLink {
    const char* name;
    std::string linkName;  // in the field's folder, pointing at "victim"
    bool changeWorks;      // the change goes through, leaving the victim alone
    std::string mentions;  // in the refusal otherwise

    friend void PrintTo(const PlantedLink& p, std::ostream* os) { *os << p.name; }
};

class PlantedLinks : public ::testing::TestWithParam<PlantedLink> {};

TEST_P(PlantedLinks, NeverLeadTheEmulatorToAnotherFile) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    const fs::path victim = folder.path() / "victim";
    fs::create_symlink(victim, folder.path() / GetParam().linkName);

    const auto loaded = store.load();
    const auto changed = store.update(addBeep);
    EXPECT_FALSE(fs::exists(victim));
    ASSERT_EQ(changed.has_value(), GetParam().changeWorks);
    if (GetParam().changeWorks) {
        EXPECT_TRUE(loaded) << loaded.error().message;
        EXPECT_EQ(store.load()->beeps, 1U);
    } else {
        EXPECT_EQ(changed.error().kind, FieldError::Kind::Unavailable);
        EXPECT_NE(changed.error().message.find(GetParam().mentions), std::string::npos)
            << changed.error().message;
        EXPECT_FALSE(loaded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    InTheFieldsFolder, PlantedLinks,
    ::testing::Values(PlantedLink{"AtTheLockFile", "field.lock", false, "symbolic link"},
                      PlantedLink{"AtAnOldTemporaryName", "field.tmp-" + std::to_string(getpid()),
                                  true, ""}));

TEST(FieldStore, AFieldFileThatIsTheUsersOwnLinkIsChangedAtItsTarget) {
    const ScratchFolder folder;
    fs::create_directories(folder.path() / "real");
    const fs::path target = folder.path() / "real" / "field";
    fs::create_symlink(fs::path("real") / "field", folder.path() / "field");
    const FieldStore store(folder.path() / "field");

    ASSERT_TRUE(store.update(addBeep));
    ASSERT_TRUE(store.update(addBeep));
    EXPECT_TRUE(fs::is_symlink(store.file()));
    EXPECT_EQ(emulator::parseFieldFile(contentOf(target))->beeps, 2U);
    EXPECT_EQ(store.load()->beeps, 2U);
    EXPECT_EQ(store.lockFile(), folder.path() / "real" / "field.lock");
}

TEST(FieldStore, AFieldFileThatIsAnotherUsersLinkIsRefused) {
    const ScratchFolder folder;
    const fs::path link = folder.path() / "field";
    fs::create_symlink(folder.path() / "victim", link);
    constexpr uid_t kNobody = 65534;
    if (::lchown(link.c_str(), kNobody, kNobody) != 0) {
        GTEST_SKIP() << "only root can give a link to another user";
    }
    const FieldStore store(link);
    const auto changed = store.update(addBeep);
    ASSERT_FALSE(changed);
    EXPECT_NE(changed.error().message.find("another user"), std::string::npos);
    EXPECT_FALSE(store.load());
    EXPECT_FALSE(fs::exists(folder.path() / "victim"));
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(FieldStore, AFieldInAFolderThatIsAnotherUsersLinkIsRefused) {
    const ScratchFolder folder;
    fs::create_directories(folder.path() / "elsewhere");
    const fs::path link = folder.path() / "planted";
    fs::create_symlink(folder.path() / "elsewhere", link);
    constexpr uid_t kNobody = 65534;
    if (::lchown(link.c_str(), kNobody, kNobody) != 0) {
        GTEST_SKIP() << "only root can give a link to another user";
    }
    const FieldStore store(link / "field");
    const auto changed = store.update(addBeep);
    ASSERT_FALSE(changed);
    EXPECT_NE(changed.error().message.find("another user"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.path() / "elsewhere" / "field"));
}

TEST(FieldStore, AnotherFieldNamedLikeATemporaryFileIsNotCleanedAway) {
    const ScratchFolder folder;
    const FieldStore other(folder.path() / "field.tmp-of-the-lab");
    ASSERT_TRUE(other.update(addBeep));
    ASSERT_TRUE(FieldStore(folder.path() / "field").update(addBeep));
    EXPECT_TRUE(fs::exists(other.file()));
}

TEST(FieldStore, ReadsInAFolderItMayNotWrite) {
    const ScratchFolder folder;
    const FieldStore store(folder.path() / "field");
    ASSERT_TRUE(store.overwrite(FieldState{std::nullopt, emulator::Chip::EM4305, 5}) ==
                std::nullopt);
    fs::remove(store.lockFile());
    fs::permissions(folder.path(), fs::perms::owner_write, fs::perm_options::remove);

    // In a child, so that root can give up the right to write anywhere.
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(3);
        }
        const auto state = store.load();
        _exit(!state ? 1 : state->beeps != 5 ? 2 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    fs::permissions(folder.path(), fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(fs::exists(store.lockFile()));
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

}  // namespace
