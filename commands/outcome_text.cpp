#include "commands/outcome_text.h"

#include <array>
#include <cstdio>

namespace commands {

std::string hexText(const card::TagNumber& tag) {
    const std::array<std::uint8_t, 5> bytes{tag.b4, tag.number.b3, tag.number.b2, tag.number.b1,
                                            tag.number.b0};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t byte : bytes) {
        if (!text.empty()) {
            text += ' ';
        }
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string describeLoadError(const reader::LoadError& error) {
    const std::u8string utf8Path = error.path.u8string();
    const std::string path(utf8Path.begin(), utf8Path.end());
    switch (error.kind) {
        case reader::LoadError::Kind::LocationUnknown:
            return "无法确定程序所在目录，读卡器库 " + path + " 未加载：" + error.detail;
        case reader::LoadError::Kind::EntryPointMissing:
            return "读卡器库 " + path + " 缺少函数 " + error.detail + "，未使用该库";
        case reader::LoadError::Kind::FileNotLoaded:
            break;
    }
    return "无法加载读卡器库 " + path + "：" + error.detail;
}

std::string describeRead(const ReadOutcome& outcome) {
    switch (outcome.result) {
        case ReadOutcome::Result::Read:
            return "读卡成功，十六进制 " + hexText(outcome.tag);
        case ReadOutcome::Result::NoTag:
            return "未读到卡（状态 " + std::to_string(outcome.status) + "），请将卡放在读卡器上";
        case ReadOutcome::Result::ReaderUnavailable:
            break;
    }
    return outcome.loadError ? describeLoadError(*outcome.loadError) : "读卡器库不可用";
}

}  // namespace commands
