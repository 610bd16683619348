// The window's words for what a command did: the glossary (已读卡, 已写卡, 保护), the causes the
// emulated reader's statuses stand for, and why a reader library could not be loaded.
#include "words/outcome_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using commands::ReadOutcome;
using commands::WriteOutcome;

const reader::ReaderInUse kEmulated{"/opt/zeld/bin/libMF1.so", true, true};
const reader::ReaderInUse kVendors{"/opt/zeld/bin/libMF1.so", true, false};

const std::string kNumber = "0000000001 / 000,00001 / 00\u00A000\u00A000\u00A000\u00A001";

WriteOutcome write(WriteOutcome::Result result, reader::Status write, reader::Status lock,
                   bool advance) {
    WriteOutcome outcome;
    outcome.result = result;
    outcome.request.number = card::CardNumber{0, card::NumberBytes{0, 0, 0, 1}};
    outcome.writeStatus = write;
    outcome.request.lock = lock != reader::kSuccess;
    outcome.lockStatus = lock;
    outcome.request.advance = advance;
    return outcome;
}

struct WriteWords {
    const char* name;
    WriteOutcome outcome;
    reader::ReaderInUse inUse;
    std::string expected;
    friend void PrintTo(const WriteWords& c, std::ostream* os) { *os << c.name; }
};

class WriteMessage : public ::testing::TestWithParam<WriteWords> {};

TEST_P(WriteMessage, SaysWhatHappenedAndWhy) {
    EXPECT_EQ(words::describeWrite(GetParam().outcome, GetParam().inUse), GetParam().expected);
}

using Result = WriteOutcome::Result;

INSTANTIATE_TEST_SUITE_P(
    Outcomes, WriteMessage,
    ::testing::Values(
        WriteWords{"NoTag", write(Result::NotWritten, 1, 0, false), kEmulated,
                   "未写卡：读卡器上没有卡（状态 1）"},
        WriteWords{"WrongChip", write(Result::NotWritten, 6, 0, true), kEmulated,
                   "未写卡：芯片与所选的不同（状态 6），号码未加一"},
        WriteWords{"ReadOnly", write(Result::NotWritten, 7, 0, true), kEmulated,
                   "未写卡：只读卡（状态 7），号码未加一"},
        WriteWords{"Password", write(Result::NotWritten, 8, 0, false), kEmulated,
                   "未写卡：卡设有密码（状态 8）"},
        WriteWords{"Locked", write(Result::NotWritten, 9, 0, false), kEmulated,
                   "未写卡：卡已受保护（状态 9）"},
        WriteWords{"NoCauseKnown", write(Result::NotWritten, 30, 0, false), kEmulated,
                   "未写卡（状态 30）"},
        WriteWords{"VendorsLibraryKeepsTheNumber", write(Result::NotWritten, 7, 0, true), kVendors,
                   "未写卡（状态 7），号码未加一"},
        WriteWords{"LockRefused", write(Result::WrittenNotLocked, 0, 9, false), kVendors,
                   "已写卡 0000000001 / 000,00001，未能保护（状态 9）"},
        WriteWords{"LockRefusedEmulated", write(Result::WrittenNotLocked, 0, 6, false), kEmulated,
                   "已写卡 0000000001 / 000,00001，未能保护：芯片与所选的不同（状态 6）"},
        WriteWords{"WrittenAndLocked", write(Result::Written, 0, 0, false), kEmulated,
                   "已写卡 " + kNumber}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// GCC 12 at -O3 for 32-bit Windows takes the table's strings for uninitialised when it destroys
// them (a false warning of its own).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// A verified write the journal could not record: the operator is asked to free space only when the
// disk is full (whatever code the system gave for it), and told the system's reason otherwise.
TEST(WriteMessage, AsksForSpaceOnlyWhenTheDiskIsFull) {
    using Kind = commands::JournalTrouble::Kind;
    struct Row {
        commands::JournalTrouble trouble;
        std::string noted;    // after 已写卡 …；未记录：
        std::string stopped;  // why writing stops
    };
    const std::vector<Row> rows{
        {{Kind::DiskFull, "磁盘已满"},
         "磁盘已满",
         "磁盘已满：已写卡 0000000001 未记录；请腾出空间后继续"},
        {{Kind::DiskFull, "系统错误 122"},
         "磁盘已满",
         "磁盘已满：已写卡 0000000001 未记录；请腾出空间后继续"},
        {{Kind::NoRights, "没有权限"},
         "没有权限",
         "没有权限：已写卡 0000000001 未记录；请排除后继续"},
        {{Kind::Other, "属于别的用户或有硬链接"},
         "属于别的用户或有硬链接",
         "属于别的用户或有硬链接：已写卡 0000000001 未记录；请排除后继续"},
    };
    for (const auto& row : rows) {
        WriteOutcome outcome = write(Result::Written, 0, 0, false);
        outcome.journalError = row.trouble;
        EXPECT_EQ(words::describeWrite(outcome, kEmulated),
                  "已写卡 0000000001 / 000,00001；未记录：" + row.noted);
        EXPECT_EQ(words::notRecordedText(outcome), row.stopped);
    }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

TEST(ReadMessage, UsesTheSameVerbsAndNamesTheCauseOnlyForTheEmulatedReader) {
    ReadOutcome read;
    read.result = ReadOutcome::Result::Read;
    read.tag = card::CardNumber{0x12, card::NumberBytes{0x34, 0x56, 0x78, 0x9A}};
    EXPECT_EQ(words::describeRead(read, kEmulated),
              "已读卡，十六进制 12\u00A034\u00A056\u00A078\u00A09A");
    // The tag settled a write whose outcome was unknown, or the journal could not take that.
    read.settledWrite = true;
    EXPECT_EQ(words::describeRead(read, kEmulated),
              "已读卡，十六进制 12\u00A034\u00A056\u00A078\u00A09A；上次结果不明的写卡已核对");
    EXPECT_EQ(words::toneOf(read), words::Tone::Done);
    read.settledWrite = false;
    read.journalError =
        commands::JournalTrouble{commands::JournalTrouble::Kind::DiskFull, "系统错误 28"};
    EXPECT_EQ(words::describeRead(read, kEmulated),
              "已读卡，十六进制 12\u00A034\u00A056\u00A078\u00A09A；未记录：磁盘已满");
    EXPECT_EQ(words::toneOf(read), words::Tone::Failed);
    // In a batch the fields keep its next number: the tag's own is said in the batch's notation.
    read.journalError.reset();
    EXPECT_EQ(words::describeRead(read, kEmulated, card::Notation::WG26),
              "已读卡 018 086,30874，十六进制 12\u00A034\u00A056\u00A078\u00A09A");
    EXPECT_EQ(words::describeRead(read, kEmulated, card::Notation::WG34),
              "已读卡 018 0878082202，十六进制 12\u00A034\u00A056\u00A078\u00A09A");

    ReadOutcome none;
    none.result = ReadOutcome::Result::NoTag;
    none.status = 1;
    EXPECT_EQ(words::describeRead(none, kEmulated),
              "未读到卡：读卡器上没有卡（状态 1），请将卡放在读卡器上");
    EXPECT_EQ(words::describeRead(none, kVendors), "未读到卡（状态 1），请将卡放在读卡器上");
}

struct LoadWords {
    const char* name;
    reader::LoadError error;
    std::string expected;
    friend void PrintTo(const LoadWords& c, std::ostream* os) { *os << c.name; }
};

class LoadErrorMessage : public ::testing::TestWithParam<LoadWords> {};

TEST_P(LoadErrorMessage, NamesTheLibraryAndTheReasonInChinese) {
    EXPECT_EQ(words::describeLoadError(GetParam().error), GetParam().expected);
}

using Kind = reader::LoadError::Kind;
constexpr const char* kPath = "/opt/zeld/bin/libMF1.so";

INSTANTIATE_TEST_SUITE_P(
    Reasons, LoadErrorMessage,
    ::testing::Values(
        LoadWords{"MissingInBothPlaces",
                  {Kind::FileMissing, kPath, "", "/opt/zeld/lib/zeld/libMF1.so"},
                  "找不到读卡器库 libMF1.so（程序所在的文件夹和 ../lib/zeld 中都没有）"},
        LoadWords{"MissingAtTheOnePlace",
                  {Kind::FileMissing, kPath, "", {}},
                  "找不到读卡器库 libMF1.so（程序所在的文件夹中没有）"},
        LoadWords{"OtherWordSize",
                  {Kind::FileNotLoaded,
                   kPath,
                   "/opt/zeld/bin/libMF1.so: wrong ELF class: ELFCLASS32",
                   {}},
                  "无法加载读卡器库 libMF1.so：库的位数（32 位或 64 位）与程序不同"},
        LoadWords{"NotALibrary",
                  {Kind::FileNotLoaded, kPath, "/opt/zeld/bin/libMF1.so: invalid ELF header", {}},
                  "无法加载读卡器库 libMF1.so：不是有效的库文件"},
        LoadWords{"DependencyMissing",
                  {Kind::FileNotLoaded,
                   kPath,
                   "libusb-1.0.so.0: cannot open shared object file: No such file or directory",
                   {}},
                  "无法加载读卡器库 libMF1.so：缺少它所依赖的库 libusb-1.0.so.0"},
        LoadWords{"ThrewWhileLoading",
                  {Kind::ThrewWhileLoading, kPath, "no reader on any USB port", {}},
                  "读卡器库 libMF1.so 在加载时出错（no reader on…），未使用该库"},
        LoadWords{"SystemWordsKept",
                  {Kind::FileNotLoaded, kPath, "找不到指定的模块。", {}},
                  "无法加载读卡器库 libMF1.so：找不到指定的模块。"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
