#include "ui/command_line.h"

#include "reader/library_location.h"
#include "zeld_version.h"

#include <ostream>
#include <string>

namespace ui {

namespace {

constexpr int kDone = 0;
constexpr int kUsageError = 2;
constexpr std::string_view kDatabase = "--database";

void printHelp(std::ostream& out) {
    out << "用法：zeld [--help | --version | --database 地址]\n"
           "\n"
           "Zeld V3 通过 USB 读写器读写 125 kHz 感应卡（T5577、EM4305）的卡号，只开一个窗口。\n"
           "\n"
           "读写器的组件 "
        << reader::readerLibraryFileName()
        << " 只从本程序所在的文件夹取，或从它旁边的 ../lib/zeld/\n"
           "取；从不从当前文件夹或搜索路径取。\n"
           "\n"
           "  -h, --help         显示本说明后退出\n"
           "  -v, --version      显示版本后退出\n"
           "  --database 地址    与别的电脑通过这个地址的 PostgreSQL 数据库共写批次（libpq 的\n"
           "                     地址或连接串，不含密码：密码放在 libpq 的密码文件中，或由窗口\n"
           "                     "
           "询问）；只用于本次运行，代替窗口中的设置。地址为空：本站单独写卡。\n"
           "\n"
           "退出码：0 完成，2 命令行有误。\n";
}

}  // namespace

CommandLineAnswer answerCommandLine(const std::vector<std::string_view>& arguments,
                                    std::ostream& out, std::ostream& err) {
    CommandLineAnswer answer;
    std::string mistake;
    for (std::size_t i = 0; i < arguments.size() && mistake.empty(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help" || argument == "-v" ||
            argument == "--version") {
            if (arguments.size() > 1) {
                mistake = "多余的参数 '" + std::string(arguments[i == 0 ? 1 : 0]) + "'";
            } else if (argument == "-h" || argument == "--help") {
                printHelp(out);
                answer.exitStatus = kDone;
            } else {
                out << "zeld " << ZELD_VERSION << '\n';
                answer.exitStatus = kDone;
            }
        } else if (argument == kDatabase || argument.starts_with("--database=")) {
            std::optional<std::string_view> url;
            if (argument != kDatabase) {
                url = argument.substr(kDatabase.size() + 1);
            } else if (i + 1 < arguments.size()) {
                url = arguments[++i];
            }
            if (!url) {
                mistake = "--database 后面要写数据库的地址";
            } else if (answer.window.database) {
                mistake = "--database 给了两次";
            } else {
                answer.window.database = std::string(*url);
            }
        } else if (argument.starts_with('-')) {
            mistake = "不认识的选项 '" + std::string(argument) + "'";
        } else {
            mistake = "多余的参数 '" + std::string(argument) + "'";
        }
    }
    if (!mistake.empty()) {
        err << "zeld：" << mistake << "（见 zeld --help）\n";
        answer.exitStatus = kUsageError;
    }
    return answer;
}

}  // namespace ui
