#include "journal/journal.h"

#include "journal/journal_line.h"
#include "journal/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
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
    const auto offsetMinutes = static_cast<int>(std::labs(local.offsetSeconds) / 60 % (24L * 60));
    std::array<char, 64> text{};
    // NOLINTBEGIN(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    static_cast<void>(
        std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                      t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                      local.offsetSeconds < 0 ? '-' : '+', offsetMinutes / 60, offsetMinutes % 60));
    // NOLINTEND(cppcoreguidelines-pro-type-vararg,hicpp-vararg)
    return text.data();
}

Journal::Journal(std::filesystem::path file, Clock clock)
    : file_(std::move(file)), clock_(std::move(clock)) {}

Journal::Journal(Unknown /*unused*/, std::string reason)
    : clock_(std::chrono::system_clock::now), started_(true) {
    loaded_.error = std::move(reason);
}

Journal::~Journal() {
    if (loading_.valid()) {
        loading_.wait();
    }
}

std::unique_ptr<Journal> Journal::openDefault() {
    auto folder = platform::dataFolder();
    if (!folder) {
        return std::unique_ptr<Journal>(new Journal(Unknown{}, folder.error()));
    }
    return std::make_unique<Journal>(*folder / kFileName);
}

void Journal::startLoading() const {
    if (started_) {
        return;
    }
    started_ = true;
    try {
        loading_ = std::async(std::launch::async, [file = file_] { return load(file); });
    } catch (const std::system_error&) {
        loaded_ = load(file_);  // no thread to be had: read it here and now
    }
}

bool Journal::isLoaded() const {
    return started_ && (!loading_.valid() ||
                        loading_.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
}

void Journal::awaitLoad() const {
    startLoading();
    if (loading_.valid()) {
        loaded_ = loading_.get();
    }
}

const std::optional<std::string>& Journal::loadError() const {
    awaitLoad();
    return loaded_.error;
}

std::size_t Journal::verifiedNumbers() const {
    awaitLoad();
    return loaded_.verified.size();
}

namespace {

Journal::Stamp stamp(std::string_view time) {
    Journal::Stamp result;
    result.size = static_cast<std::uint8_t>(std::min(time.size(), result.text.size()));
    std::copy_n(time.begin(), result.size, result.text.begin());
    return result;
}

}  // namespace

Journal::Loaded Journal::load(const std::filesystem::path& file) noexcept {
    try {
        return read(file);
    } catch (const std::exception& error) {
        Loaded failed;
        failed.error = "无法读取写卡记录 " + utf8(file) + "（" + error.what() + "）";
        return failed;
    }
}

Journal::Loaded Journal::read(const std::filesystem::path& file) {
    Loaded loaded;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        if (error) {
            loaded.error = "无法读取写卡记录 " + utf8(file) + "（" + error.message() + "）";
        }
        return loaded;
    }
    std::ifstream in(file, std::ios::binary);
    std::string content;
    if (in) {
        in.seekg(0, std::ios::end);
        const auto size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size > 0) {
            content.resize(static_cast<std::size_t>(size));
            in.read(content.data(), static_cast<std::streamsize>(content.size()));
        }
    }
    if (!in) {
        loaded.error = "无法读取写卡记录 " + utf8(file);
        return loaded;
    }

    std::string_view rest(content);
    if (rest.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        rest.remove_prefix(kByteOrderMark.size());
    }
    loaded.verified.reserve(content.size() / 64);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        // A later line of the same number overrides: the time is that of the last write.
        if (const auto write = parseVerifiedWrite(line)) {
            loaded.verified.insert_or_assign(write->key, stamp(write->time));
        }
    }
    return loaded;
}

std::optional<std::string> Journal::lastVerifiedWrite(const card::TagNumber& number) const {
    awaitLoad();
    const auto found = loaded_.verified.find(numberKey(number));
    if (found == loaded_.verified.end()) {
        return std::nullopt;
    }
    return std::string(found->second.text.data(), found->second.size);
}

std::optional<std::string> Journal::append(const commands::JournalEntry& entry) {
    awaitLoad();
    const std::string time = isoLocalTime(clock_());
    // Remembered whatever becomes of the line: the tag holds the number all the same.
    if (entry.verified) {
        loaded_.verified.insert_or_assign(numberKey(entry.number), stamp(time));
    }
    if (file_.empty()) {
        return loaded_.error.value_or("找不到用户数据目录");
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
