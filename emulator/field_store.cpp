#include "emulator/field_store.h"

#include "emulator/field_file_format.h"
#include "emulator/file_ops.h"

#include <system_error>
#include <utility>

namespace emulator {

namespace {

FieldError unavailable(std::string message) {
    return FieldError{FieldError::Kind::Unavailable, std::move(message)};
}

}  // namespace

Status statusOf(const FieldError& error) noexcept {
    return error.kind == FieldError::Kind::Damaged ? Status::FieldFileDamaged
                                                   : Status::FieldFileUnavailable;
}

FieldStore::FieldStore(std::filesystem::path file, MissingFolder missingFolder)
    : file_(std::move(file)), missingFolder_(missingFolder) {}

FieldStore::FieldStore(const ChosenFieldFile& chosen)
    : FieldStore(chosen.path, chosen.named ? MissingFolder::Refuse : MissingFolder::Create) {}

std::filesystem::path FieldStore::lockFile() const {
    std::filesystem::path lock = file_;
    lock += ".lock";
    return lock;
}

util::Expected<FieldState, FieldError> FieldStore::load() const {
    // Without the folder there is no file and nothing to lock: an empty field.
    std::error_code error;
    const auto folder =
        file_.parent_path().empty() ? std::filesystem::path(".") : file_.parent_path();
    if (!std::filesystem::exists(folder, error) && !error) {
        return FieldState{};
    }
    auto lock = FileLock::acquire(lockFile(), FileLock::Mode::Shared);
    if (!lock) {
        return util::Unexpected{unavailable(lock.error())};
    }
    return read();
}

util::Expected<FieldState, FieldError> FieldStore::update(
    const std::function<bool(FieldState&)>& change) const {
    if (auto error = makeFolder()) {
        return util::Unexpected{std::move(*error)};
    }
    auto lock = FileLock::acquire(lockFile(), FileLock::Mode::Exclusive);
    if (!lock) {
        return util::Unexpected{unavailable(lock.error())};
    }
    auto state = read();
    if (!state) {
        return state;
    }
    if (change(*state)) {
        if (auto error = save(*state)) {
            return util::Unexpected{std::move(*error)};
        }
    }
    return state;
}

std::optional<FieldError> FieldStore::overwrite(const FieldState& state) const {
    if (auto error = makeFolder()) {
        return error;
    }
    auto lock = FileLock::acquire(lockFile(), FileLock::Mode::Exclusive);
    if (!lock) {
        return unavailable(lock.error());
    }
    return save(state);
}

util::Expected<FieldState, FieldError> FieldStore::read() const {
    auto content = readFileStart(file_, kLargestFile + 1);
    if (!content) {
        return util::Unexpected{unavailable(content.error())};
    }
    if (!content->has_value()) {
        return FieldState{};
    }
    const std::string& text = **content;
    if (text.size() > kLargestFile) {
        return util::Unexpected{FieldError{FieldError::Kind::Damaged,
                                           file_.string() + " is damaged: it is larger than " +
                                               std::to_string(kLargestFile) + " bytes"}};
    }
    auto state = parseFieldFile(text);
    if (!state) {
        return util::Unexpected{FieldError{FieldError::Kind::Damaged,
                                           file_.string() + " is damaged: " + state.error()}};
    }
    return *state;
}

std::optional<FieldError> FieldStore::save(const FieldState& state) const {
    if (auto error = replaceFileAtomically(file_, formatFieldFile(state))) {
        return unavailable(std::move(*error));
    }
    return std::nullopt;
}

std::optional<FieldError> FieldStore::makeFolder() const {
    const auto folder = file_.parent_path();
    if (folder.empty()) {
        return std::nullopt;
    }
    std::error_code error;
    if (missingFolder_ == MissingFolder::Refuse) {
        if (!std::filesystem::is_directory(folder, error)) {
            return unavailable("the folder " + folder.string() + " of the field file " +
                               file_.string() +
                               " does not exist: create it, or name a file in a folder that "
                               "exists");
        }
        return std::nullopt;
    }
    std::filesystem::create_directories(folder, error);
    if (error) {
        return unavailable("cannot create the folder " + folder.string() + ": " + error.message());
    }
    return std::nullopt;
}

}  // namespace emulator
