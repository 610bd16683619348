#include "words/station_text.h"

namespace words {

std::string stationNameFaultText(store::NameFault fault) {
    switch (fault) {
        case store::NameFault::Empty:
            return "站名不能为空";
        case store::NameFault::NotUtf8:
            return "站名含有无法识别的字符";
        case store::NameFault::ControlCharacter:
            break;
    }
    return "站名不能含控制字符（如 NUL、换行或文字方向控制符）";
}

std::string stationClashText(const store::StationClash& clash) {
    std::string where = clash.host.empty() ? std::string("另一台电脑") : "电脑 " + clash.host;
    if (!clash.address.empty()) {
        where += "（地址 " + clash.address + "）";
    }
    if (clash.kind == store::StationClash::Kind::NameTaken) {
        return "已有另一台电脑用站名 " + clash.name + "（" + where +
               "）：请在 批次… 中给本站另起站名后再加入共享批次";
    }
    return "本站的站号正由" + where + (clash.name.empty() ? "" : "上的 " + clash.name) +
           " 使用：两台电脑不能共用一份设置；若本机的设置是从那台复制来的，删去本机 zeld.ini 中 "
           "station_id 一行后重新启动";
}

std::string storeErrorText(const store::StoreError& error) {
    if (error.clash) {
        return stationClashText(*error.clash);
    }
    if (error.nameFault) {
        return stationNameFaultText(*error.nameFault);
    }
    return error.words;
}

std::string stillHeldText(const std::string& batch, std::uint64_t held) {
    return "本站仍领着共享批次 " + batch + " 的 " + std::to_string(held) +
           " 个号码（上次关闭时没能交回）：加入后先写这些号码";
}

}  // namespace words
