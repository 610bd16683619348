#include "words/load_error_text.h"

#include "words/foreign_words.h"

#include <array>
#include <utility>

namespace words {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace

std::string loaderReason(std::string_view systemText, std::string_view path) {
    std::string_view text = systemText;
    if (!path.empty() && text.starts_with(path) && text.substr(path.size()).starts_with(": ")) {
        text.remove_prefix(path.size() + 2);
    }
    // A dependency the library needs: "libfoo.so: cannot open shared object file: ...".
    constexpr std::string_view kCannotOpen = ": cannot open shared object file: ";
    if (const auto at = text.find(kCannotOpen); at != std::string_view::npos && at > 0) {
        return "缺少它所依赖的库 " + foreignWords(text.substr(0, at), kForeignName);
    }
    constexpr std::array<std::pair<std::string_view, const char*>, 7> kKnown{{
        {"No such file or directory", "文件不存在"},
        {"Permission denied", "没有读取该文件的权限"},
        {"invalid ELF header", "不是有效的库文件"},
        {"file too short", "不是有效的库文件"},
        {"wrong ELF class", "库的位数（32 位或 64 位）与程序不同"},
        {"not an absolute path", "不是绝对路径"},
        {"File name too long", "路径太长"},
    }};
    for (const auto& [english, chinese] : kKnown) {
        if (contains(text, english)) {
            return chinese;
        }
    }
    constexpr std::string_view kUndefinedSymbol = "undefined symbol: ";
    if (const auto at = text.find(kUndefinedSymbol); at != std::string_view::npos) {
        return "缺少符号 " + foreignWords(text.substr(at + kUndefinedSymbol.size()));
    }
    return foreignWords(text);
}

// The status line names the library by its file name; its folder is in the indicator's tooltip.
std::string describeLoadError(const reader::LoadError& error) {
    const std::string path = utf8(error.path);
    const std::string name = utf8(error.path.filename());  // the program's own name for it
    switch (error.kind) {
        case reader::LoadError::Kind::LocationUnknown:
            return "无法确定程序所在的文件夹，未加载读卡器库：" + foreignWords(error.detail);
        case reader::LoadError::Kind::FileMissing:
            if (error.otherPlace.empty()) {
                return "找不到读卡器库 " + name + "（程序所在的文件夹中没有）";
            }
            return "找不到读卡器库 " + name + "（程序所在的文件夹和 ../lib/zeld 中都没有）";
        case reader::LoadError::Kind::EntryPointMissing:
            return "读卡器库 " + name + " 缺少函数 " + error.detail + "，未使用该库";
        case reader::LoadError::Kind::ThrewWhileLoading:
            return "读卡器库 " + name + " 在加载时出错（" + foreignWords(error.detail) +
                   "），未使用该库";
        case reader::LoadError::Kind::FileNotLoaded:
            break;
    }
    return "无法加载读卡器库 " + name + "：" + loaderReason(error.detail, path);
}

}  // namespace words
