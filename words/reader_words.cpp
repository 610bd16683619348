#include "words/reader_words.h"

#include "reader/emulated_status.h"

#include <optional>

namespace words {

namespace {

// The emulated reader's status codes (emulator/status_codes.h). A vendor's library numbers its
// own, so these words are used for the emulated reader only.
std::optional<std::string> emulatedReaderCause(reader::Status status) {
    using Status = reader::EmulatedStatus;
    switch (static_cast<Status>(status)) {
        case Status::NoTag:
            return "读卡器上没有卡";
        case Status::NoValidFrame:
            return "空白卡或无法识别";
        case Status::WrongChip:
            return "芯片与所选的不同";
        case Status::ReadOnlyTag:
            return "只读卡";
        case Status::PasswordProtected:
            return "卡设有密码";
        case Status::TargetLocked:
            return "卡已受保护";
        case Status::ChipNotSelected:
        case Status::ChipCodeMismatch:
        case Status::UnknownChipCode:
            return "芯片选择有误";
        case Status::FieldFileDamaged:
            return "模拟场文件已损坏";
        case Status::FieldFileUnavailable:
            return "模拟场文件不可用";
        case Status::Ok:
        case Status::UnknownControlCode:
        case Status::NullBuffer:
        case Status::EmulatorFault:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::string readerInUseText(const reader::ReaderInUse& inUse) {
    if (!inUse.loaded) {
        return "未加载读卡器库";
    }
    // Short: the status line beside it needs the room.
    return inUse.emulated ? "模拟读卡器库" : "已加载读卡器库";
}

std::string readerInUseDetail(const reader::ReaderInUse& inUse) {
    std::string text;
    if (!inUse.loaded) {
        text = "尚未加载读卡器库，读卡或写卡时加载";
    } else {
        text = inUse.emulated ? "已加载模拟读卡器库" : "已加载读卡器库";
    }
    const std::u8string path = inUse.path.u8string();
    return path.empty() ? text : text + "：" + std::string(path.begin(), path.end());
}

std::string failureDetail(reader::Status status, const reader::ReaderInUse& inUse) {
    std::string number = "（状态 " + std::to_string(status) + "）";
    if (inUse.emulated) {
        if (auto cause = emulatedReaderCause(status)) {
            return "：" + *cause + number;
        }
    }
    return number;
}

}  // namespace words
