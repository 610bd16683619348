#include "platform/system_reason.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <system_error>

namespace {

using platform::FileTrouble;

// A full disk is told apart from every other refusal, whichever of its codes the system sent: the
// operator is asked to free space only then.
TEST(SystemReason, TellsAFullDiskFromOtherRefusals) {
    struct Row {
        int number;
        FileTrouble kind;
        const char* words;
    };
    const Row rows[] = {
        {ENOSPC, FileTrouble::DiskFull, "磁盘已满"},
#ifdef EDQUOT
        {EDQUOT, FileTrouble::DiskFull, "磁盘已满"},
#endif
        {EACCES, FileTrouble::NoRights, "没有权限"},
        {EPERM, FileTrouble::NoRights, "没有权限"},
        {EROFS, FileTrouble::ReadOnly, "磁盘只读"},
        {EIO, FileTrouble::Other, "磁盘读写出错"},
        {EEXIST, FileTrouble::Other, "路径上有同名的文件"},
    };
    for (const auto& row : rows) {
        const auto failure =
            platform::fileFailure(std::error_code(row.number, std::generic_category()));
        EXPECT_EQ(failure.kind, row.kind) << row.number;
        EXPECT_EQ(failure.reason, row.words) << row.number;
    }
}

}  // namespace
