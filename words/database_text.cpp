#include "words/database_text.h"

#include "util/utf8.h"

#include <cstdint>
#include <optional>

namespace words {

using store::DatabaseProblem;

std::string databaseProblemText(DatabaseProblem problem) {
    switch (problem) {
        case DatabaseProblem::None:
            return {};
        case DatabaseProblem::NoLibrary:
            return "找不到数据库组件 libpq：请重新安装本程序";
        case DatabaseProblem::BadUrl:
            return "共享数据库的地址写得不对：请按 postgresql://用户名@主机:端口/数据库名 改正";
        case DatabaseProblem::PasswordInUrl:
            return "共享数据库的地址中不能含密码：请去掉密码，连接时本程序会问";
        case DatabaseProblem::NoServer:
            return "找不到共享数据库所在的电脑：请检查地址中的主机名和网络";
        case DatabaseProblem::Refused:
            return "共享数据库所在的电脑上没有数据库服务在运行：请检查地址中的端口，或请管理员启动"
                   "数据库";
        case DatabaseProblem::Timeout:
            return "共享数据库没有及时回答：请检查网络，稍后再试";
        case DatabaseProblem::NeedsPassword:
            return "共享数据库要密码：请输入密码";
        case DatabaseProblem::WrongPassword:
            return "共享数据库的密码不对：请重新输入";
        case DatabaseProblem::NoRights:
            return "共享数据库不许这个用户名使用：请管理员给它登录和建表的权限";
        case DatabaseProblem::NoDatabase:
            return "服务器上没有这个数据库：请检查地址中的数据库名，或请管理员建好";
        case DatabaseProblem::NotOurs:
            return "这个数据库里的表不是本程序的：请换一个空的数据库，或请管理员检查";
        case DatabaseProblem::NewerSchema:
            return "共享数据库由较新版本的本程序建立：请先把本站的程序升级";
        case DatabaseProblem::OlderServer:
            return "共享数据库的服务器版本太旧：请管理员换用 PostgreSQL 13 或更新的版本";
        case DatabaseProblem::Lost:
            return "与共享数据库的连接已断开：请检查网络，稍后再试";
        case DatabaseProblem::Other:
            break;
    }
    return "共享数据库出错：请把详情告诉管理员";
}

namespace {

bool blank(char32_t code) {
    return code == U'\t' || code == U'\n' || code == U'\r' || code == U' ' || code == 0x3000;
}

// What a reader would not see, or would see in another order: controls, direction marks and
// the byte-order mark.
bool hidden(char32_t code) {
    return util::controlOrDirection(code) || code == 0xFEFF;
}

}  // namespace

std::string cleanServerText(std::string_view text, std::size_t limit) {
    std::string clean;
    std::size_t characters = 0;
    bool spaceWanted = false;
    for (std::size_t at = 0; at < text.size();) {
        const auto decoded = util::decodeUtf8(text, at);
        if (!decoded) {
            ++at;  // a stray byte
            continue;
        }
        const std::string_view bytes = text.substr(at, decoded->length);
        at += decoded->length;
        if (blank(decoded->code)) {
            spaceWanted = !clean.empty();
            continue;
        }
        if (hidden(decoded->code)) {
            continue;
        }
        if (characters + (spaceWanted ? 1 : 0) >= limit) {
            clean += "…";
            return clean;
        }
        if (spaceWanted) {
            clean += ' ';
            ++characters;
            spaceWanted = false;
        }
        clean += bytes;
        ++characters;
    }
    return clean;
}

}  // namespace words
