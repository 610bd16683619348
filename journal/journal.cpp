#include "journal/journal.h"

#include "journal/journal_line.h"
#include "journal/platform.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <utility>

namespace journal {

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace

std::string isoLocalTime(std::chrono::system_clock::time_point time) {
    const auto local = platform::localTime(std::chrono::system_clock::to_time_t(time));
    const std::tm& t = local.fields;
    const auto offsetMinutes = static_cast<int>(std::labs(local.offsetSeconds) / 60 % (24 * 60));
    char text[64];
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  local.offsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60);
    return text;
}

Journal::Journal(std::filesystem::path file, Clock clock)
    : file_(std::move(file)), clock_(std::move(clock)) {
    load();
}

Journal::Journal(Unknown /*unused*/, std::string reason)
    : clock_(std::chrono::system_clock::now), loadError_(std::move(reason)) {}

Journal Journal::openDefault() {
    auto folder = platform::dataFolder();
    if (!folder) {
        return Journal(Unknown{}, folder.error());
    }
    return Journal(*folder / kFileName);
}

void Journal::load() {
    std::error_code error;
    if (!std::filesystem::exists(file_, error)) {
        if (error) {
            loadError_ = "无法读取写卡记录 " + utf8(file_) + "（" + error.message() + "）";
        }
        return;
    }
    std::ifstream in(file_, std::ios::binary);
    std::string content;
    if (in) {
        in.seekg(0, std::ios::end);
        const auto size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size > 0) {
            content.resize(static_cast<std::size_t>(size));
            in.read(content.data(), size);
        }
    }
    if (!in) {
        loadError_ = "无法读取写卡记录 " + utf8(file_);
        return;
    }

    std::string_view rest(content);
    if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        rest.remove_prefix(kByteOrderMark.size());
    }
    verified_.reserve(content.size() / 64);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // A later line of the same number overrides: the time is that of the last write.
        if (const auto write = parseVerifiedWrite(line)) {
            verified_.insert_or_assign(write->key, std::string(write->time));
        }
    }
}

std::optional<std::string> Journal::lastVerifiedWrite(const card::TagNumber& number) const {
    const auto found = verified_.find(numberKey(number));
    if (found == verified_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<std::string> Journal::append(const commands::JournalEntry& entry) {
    const std::string time = isoLocalTime(clock_());
    // Remembered whatever becomes of the line: the tag holds the number all the same.
    if (entry.verified) {
        verified_.insert_or_assign(numberKey(entry.number), time);
    }
    if (file_.empty()) {
        return loadError_.value_or("找不到用户数据目录");
    }
    const std::string line = formatLine(time, entry);
    return platform::appendDurably(file_, [&line](const platform::FileEnd& end) {
        std::string bytes;
        if (end.size == 0) {
            bytes.append(kByteOrderMark).append(kHeader).append(kLineEnd);
        } else if (!end.endsWithNewline) {
            // The last line was cut short (the power failed while it was written): end it, so
            // that this one starts on a line of its own.
            bytes.append(kLineEnd);
        }
        bytes.append(line);
        return bytes;
    });
}

}  // namespace journal
