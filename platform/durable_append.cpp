#include "platform/durable_append.h"

#include "platform/file_io.h"
#include "platform/owned_file.h"
#include "platform/system_reason.h"

#include <atomic>
#include <system_error>

namespace platform {

namespace {

std::atomic<AppendMedium*> medium{nullptr};

}  // namespace

void useAppendMedium(AppendMedium* replacement) noexcept {
    medium.store(replacement);
}

util::Expected<Appended, FileFailure> appendDurably(
    const std::filesystem::path& file, const std::function<std::string(const FileEnd&)>& compose) {
    std::error_code folderError;
    std::filesystem::create_directories(file.parent_path(), folderError);
    if (folderError) {
        return util::Unexpected{fileFailure(folderError)};
    }
    auto opened = openOwnFile(file, Access::Append);
    if (!opened) {
        // Said after the caller's own words, so the reason alone.
        const OpenFailure& failure = opened.error();
        const FileTrouble kind =
            failure.refusal == Refusal::System ? fileTrouble(failure.error) : FileTrouble::Other;
        return util::Unexpected{FileFailure{kind, whyNotOpened("", failure)}};
    }
    const NativeFile native = opened->native();
    const auto size = fileSize(native);
    if (!size) {
        return util::Unexpected{fileFailure(size.error())};
    }
    FileEnd end;
    end.size = *size;
    if (end.size > 0) {
        char last = 0;
        const auto read = readAt(native, end.size - 1, &last, 1);
        if (!read || *read != 1) {
            const std::error_code error =
                read ? std::make_error_code(std::errc::io_error) : read.error();
            return util::Unexpected{fileFailure(error)};
        }
        end.endsWithNewline = last == '\n';
    }
    const std::string bytes = compose(end);
    std::error_code error;
    if (AppendMedium* other = medium.load()) {
        error = other->write(file, native, bytes);
    } else {
        error = writeAll(native, bytes);
        if (!error) {
            error = flushToDisk(native);
        }
    }
    opened = OwnedFile();
    if (error) {
        return util::Unexpected{fileFailure(error)};
    }
    if (end.size == 0) {
        syncFolder(file.parent_path());  // the file may be new
    }
    return Appended{end.size, bytes.size()};
}

}  // namespace platform
