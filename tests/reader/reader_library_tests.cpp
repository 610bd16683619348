#include "reader/library_location.h"
#include "reader/reader_fault.h"
#include "reader/reader_library.h"
#include "reader/reader_source.h"
#include "support/emulator_control.h"

#include "platform/program_location.h"
#include "support/scratch_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;
using reader::LoadError;

// Raw arguments as the library receives them.
struct RawCall {
    std::string name;
    std::vector<int> bytes;
    const std::uint8_t* first = nullptr;
    const std::uint8_t* second = nullptr;
};
std::vector<RawCall>& rawCalls() {
    static std::vector<RawCall> calls;
    return calls;
}
std::int32_t MF1_CALL recordGetsnr(std::uint8_t a, std::uint8_t b, std::uint8_t* s,
                                   std::uint8_t* l) {
    rawCalls().push_back({"MF_Getsnr", {a, b}, s, l});
    return 11;
}
std::int32_t MF1_CALL recordWrite(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t* s,
                                  std::uint8_t* l) {
    rawCalls().push_back({"MF_Write", {a, b, c}, s, l});
    return 22;
}
std::int32_t MF1_CALL recordBuzzer(std::uint8_t code, std::uint8_t b, std::uint8_t* l) {
    rawCalls().push_back({"ControlBuzzer", {code, b}, l, nullptr});
    return 33;
}

TEST(ReaderLibrary, PassesTheFixedArgumentsAndBufferStartsAndReturnsTheStatus) {
    rawCalls().clear();
    reader::ReaderLibrary library(reader::EntryPoints{recordGetsnr, recordWrite, recordBuzzer});
    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;

    EXPECT_EQ(library.MF_Getsnr(shortBuffer, longBuffer), 11);
    EXPECT_EQ(library.MF_Write(shortBuffer, longBuffer), 22);
    EXPECT_EQ(library.ControlBuzzer(reader::ControlCode::LockEM4305, longBuffer), 33);

    const auto& calls = rawCalls();
    ASSERT_EQ(calls.size(), 3U);
    EXPECT_EQ(calls[0].name, "MF_Getsnr");
    EXPECT_EQ(calls[0].bytes, (std::vector<int>{0, 0}));
    EXPECT_EQ(calls[0].first, shortBuffer.bytes.data());
    EXPECT_EQ(calls[0].second, longBuffer.bytes.data());
    EXPECT_EQ(calls[1].name, "MF_Write");
    EXPECT_EQ(calls[1].bytes, (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(calls[1].first, shortBuffer.bytes.data());
    EXPECT_EQ(calls[1].second, longBuffer.bytes.data());
    EXPECT_EQ(calls[2].name, "ControlBuzzer");
    EXPECT_EQ(calls[2].bytes, (std::vector<int>{7, 1}));
    EXPECT_EQ(calls[2].first, longBuffer.bytes.data());
}

TEST(ReaderBuffers, AreZeroFilledAndSizedAsTheLibraryExpects) {
    const reader::ShortBuffer shortBuffer;
    const reader::LongBuffer longBuffer;
    EXPECT_EQ(shortBuffer.bytes.size(), 21U);
    EXPECT_EQ(longBuffer.bytes.size(), 257U);
    for (auto b : shortBuffer.bytes)
        EXPECT_EQ(b, 0);
    for (auto b : longBuffer.bytes)
        EXPECT_EQ(b, 0);
}

fs::path binDirectory() {
    return *platform::executableFolder();
}

TEST(ReaderLibrary, LoadsTheEmulatedReaderBesideTheExecutableAndReadsThroughIt) {
    const auto path = reader::defaultReaderLibraryPath();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->parent_path(), binDirectory());
    EXPECT_EQ(path->filename(), reader::readerLibraryFileName());

    auto library = reader::ReaderLibrary::load(*path);
    ASSERT_TRUE(library) << library.error().detail;
    EXPECT_TRUE(library->isEmulated());
    EXPECT_EQ(library->path(), *path);

    const testing_support::EmulatorControl field;
    field.placeTag({0x12, 0x34, 0x56, 0x78, 0x9A});
    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;
    ASSERT_EQ(library->MF_Getsnr(shortBuffer, longBuffer), reader::kSuccess);
    EXPECT_EQ(shortBuffer.bytes[0], 0x12);
    EXPECT_EQ(longBuffer.bytes[0], 0x34);
    EXPECT_EQ(longBuffer.bytes[1], 0x56);
    EXPECT_EQ(longBuffer.bytes[2], 0x78);
    EXPECT_EQ(longBuffer.bytes[3], 0x9A);

    field.removeTag();
    EXPECT_NE(library->MF_Getsnr(shortBuffer, longBuffer), reader::kSuccess);
}

TEST(ReaderLibrary, MissingFileIsATypedErrorNamingThePath) {
    const fs::path path = binDirectory() / "no-such-dir" / reader::readerLibraryFileName();
    auto library = reader::ReaderLibrary::load(path);
    ASSERT_FALSE(library);
    EXPECT_EQ(library.error().kind, LoadError::Kind::FileMissing);
    EXPECT_EQ(library.error().path, path);
}

// The test libraries are named like the platform's reader library: libX.so, libX.dll.
fs::path testLibrary(const std::string& stem) {
    return binDirectory() /
           ("lib" + stem + fs::path(reader::readerLibraryFileName()).extension().string());
}

// Whether text is well-formed UTF-8, as the window decodes it.
bool isUtf8(const std::string& text) {
    std::size_t continuation = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (continuation > 0) {
            if ((byte & 0xC0U) != 0x80U) {
                return false;
            }
            --continuation;
        } else if (byte >= 0xF0U && byte < 0xF5U) {
            continuation = 3;
        } else if (byte >= 0xE0U) {
            continuation = byte < 0xF0U ? 2 : 4;
        } else if (byte >= 0xC2U) {
            continuation = 1;
        } else if (byte >= 0x80U) {
            return false;
        }
        if (continuation == 4) {
            return false;
        }
    }
    return continuation == 0;
}

TEST(ReaderLibrary, FileThatIsNoLibraryIsATypedErrorInUtf8) {
    const fs::path path = testLibrary("not-a-library");
    {
        std::ofstream junk(path);
        junk << "this is text, not a shared library\n";
    }
    auto library = reader::ReaderLibrary::load(path);
    fs::remove(path);
    ASSERT_FALSE(library);
    EXPECT_EQ(library.error().kind, LoadError::Kind::FileNotLoaded);
    // The system's reason, whatever the user's code page (GBK on a Chinese Windows).
    EXPECT_TRUE(isUtf8(library.error().detail)) << library.error().detail;
}

TEST(ReaderLibrary, RelativePathIsRefusedRatherThanSearched) {
    auto library = reader::ReaderLibrary::load(reader::readerLibraryFileName());
    ASSERT_FALSE(library);
    EXPECT_EQ(library.error().kind, LoadError::Kind::FileNotLoaded);
}

class MissingEntryPoint : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingEntryPoint, IsATypedErrorNamingTheEntryPoint) {
    const std::string missing = GetParam();
    const fs::path path = testLibrary("MF1_without_" + missing);
    auto library = reader::ReaderLibrary::load(path);
    ASSERT_FALSE(library);
    EXPECT_EQ(library.error().kind, LoadError::Kind::EntryPointMissing);
    EXPECT_EQ(library.error().detail, missing);
    EXPECT_EQ(library.error().path, path);
}

INSTANTIATE_TEST_SUITE_P(EachOfThree, MissingEntryPoint,
                         ::testing::Values("MF_Getsnr", "MF_Write", "ControlBuzzer"));

struct Thrown {
    const char* entryPoint;
    const char* detail;
};

TEST(ThrowingLibrary, EachExceptionIsAReaderFaultNamingTheEntryPoint) {
    auto library = reader::ReaderLibrary::load(testLibrary("MF1_throwing"));
    ASSERT_TRUE(library) << library.error().detail;
    reader::ShortBuffer shortBuffer;
    reader::LongBuffer longBuffer;
    const std::function<void()> calls[] = {
        [&] { static_cast<void>(library->MF_Getsnr(shortBuffer, longBuffer)); },
        [&] { static_cast<void>(library->MF_Write(shortBuffer, longBuffer)); },
        [&] { static_cast<void>(library->ControlBuzzer(reader::ControlCode::Beep, longBuffer)); },
    };
    const Thrown expected[] = {{"MF_Getsnr", "USB device vanished"},
                               {"MF_Write", "an exception of unknown type"},
                               {"ControlBuzzer", "std::bad_alloc"}};
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        try {
            calls[i]();
            ADD_FAILURE() << expected[i].entryPoint << " returned";
        } catch (const reader::ReaderFault& fault) {
            EXPECT_EQ(fault.fault().entryPoint, expected[i].entryPoint);
            EXPECT_EQ(fault.fault().detail, expected[i].detail);
        }
    }
}

using testing_support::ScratchFolder;

TEST(LazyReaderLibrary, DoesNotLoadUntilAskedAndTriesAgainAfterAFailure) {
    const ScratchFolder folder;
    const fs::path path = folder.path() / reader::readerLibraryFileName();
    reader::LazyReaderLibrary source(path);
    EXPECT_EQ(source.loaded(), nullptr);

    auto first = source.acquire();
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error().path, path);

    fs::copy_file(*reader::defaultReaderLibraryPath(), path);
    auto second = source.acquire();
    ASSERT_TRUE(second) << second.error().detail;
    ASSERT_NE(source.loaded(), nullptr);
    EXPECT_TRUE(source.loaded()->isEmulated());

    auto third = source.acquire();
    ASSERT_TRUE(third);
    EXPECT_EQ(*third, *second);
}

TEST(LazyReaderLibrary, FallsBackToLibZeldBesideTheProgramsFolderAndNamesBothWhenMissing) {
    const ScratchFolder folder;
    const auto places = reader::readerLibraryPlaces(folder.path() / "bin");
    EXPECT_EQ(places[0], folder.path() / "bin" / reader::readerLibraryFileName());
    EXPECT_EQ(places[1], folder.path() / "lib" / "zeld" / reader::readerLibraryFileName());
    reader::LazyReaderLibrary source(std::vector<fs::path>(places.begin(), places.end()));

    auto missing = source.acquire();
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, LoadError::Kind::FileMissing);
    EXPECT_EQ(missing.error().path, places[0]);
    EXPECT_EQ(missing.error().otherPlace, places[1]);

    fs::create_directories(places[1].parent_path());
    fs::copy_file(*reader::defaultReaderLibraryPath(), places[1]);
    auto acquired = source.acquire();
    ASSERT_TRUE(acquired) << acquired.error().detail;
    EXPECT_EQ(source.loaded()->path(), places[1]);
    EXPECT_EQ(source.readerInUse().path, places[1]);
}

TEST(LazyReaderLibrary, IgnoresALibraryPlantedInTheCurrentDirectory) {
    const ScratchFolder folder;
    fs::copy_file(testLibrary("MF1_without_MF_Write"),
                  folder.path() / reader::readerLibraryFileName());
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());

    reader::LazyReaderLibrary source;
    auto acquired = source.acquire();
    fs::current_path(previous);

    EXPECT_EQ(source.libraryPath(), binDirectory() / reader::readerLibraryFileName());
    ASSERT_TRUE(acquired) << acquired.error().detail;
    EXPECT_TRUE(source.loaded()->isEmulated());
}

}  // namespace
