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

std::filesystem::path lockBeside(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

}  // namespace

Status statusOf(const FieldError& error) noexcept {
    return error.kind == FieldError::Kind::Damaged ? Status::FieldFileDamaged
                                                   : Status::FieldFileUnavailable;
}

FieldStore::FieldStore(std::filesystem::path file, Sync sync, MissingFolder missingFolder)
    : file_(std::move(file)), sync_(sync), missingFolder_(missingFolder) {}

FieldStore::FieldStore(const ChosenFieldFile& chosen, Sync sync)
    : FieldStore(chosen.path, sync, chosen.named ? MissingFolder::Refuse : MissingFolder::Create) {}

std::filesystem::path FieldStore::lockFile() const {
    const auto file = target();
    return lockBeside(file ? *file : file_);
}

util::Expected<std::filesystem::path, FieldError> FieldStore::target() const {
    auto resolved = resolveFieldLink(file_);
    if (!resolved) {
        return util::Unexpected{unavailable(resolved.error())};
    }
    return std::move(*resolved);
}

util::Expected<FieldState, FieldError> FieldStore::load() const {
    const auto file = target();
    if (!file) {
        return util::Unexpected{file.error()};
    }
    // Without the folder there is no file and nothing to lock: an empty field.
    std::error_code error;
    const auto folder =
        file->parent_path().empty() ? std::filesystem::path(".") : file->parent_path();
    if (!std::filesystem::exists(folder, error) && !error) {
        return FieldState{};
    }
    auto lock = lockForReading(lockBeside(*file));
    if (!lock) {
        return util::Unexpected{unavailable(lock.error())};
    }
    return read(*file);
}

util::Expected<FieldState, FieldError> FieldStore::update(
    const std::function<bool(FieldState&)>& change) const {
    const auto file = target();
    if (!file) {
        return util::Unexpected{file.error()};
    }
    if (auto error = makeFolder(*file)) {
        return util::Unexpected{std::move(*error)};
    }
    auto lock = lockExclusively(lockBeside(*file));
    if (!lock) {
        return util::Unexpected{unavailable(lock.error())};
    }
    auto state = read(*file);
    if (!state) {
        return state;
    }
    const auto tagBefore = state->tag;
    if (change(*state)) {
        const bool synced = sync_ == Sync::TagChanges && state->tag != tagBefore;
        if (auto error = save(*file, *state, synced)) {
            return util::Unexpected{std::move(*error)};
        }
    }
    return state;
}

std::optional<FieldError> FieldStore::overwrite(const FieldState& state) const {
    const auto file = target();
    if (!file) {
        return file.error();
    }
    if (auto error = makeFolder(*file)) {
        return error;
    }
    auto lock = lockExclusively(lockBeside(*file));
    if (!lock) {
        return unavailable(lock.error());
    }
    return save(*file, state, sync_ == Sync::TagChanges);
}

util::Expected<FieldState, FieldError> FieldStore::read(const std::filesystem::path& file) {
    auto content = readFileStart(file, kLargestFile + 1);
    if (!content) {
        return util::Unexpected{unavailable(content.error())};
    }
    if (!content->has_value()) {
        return FieldState{};
    }
    const std::string& text = **content;
    if (text.size() > kLargestFile) {
        return util::Unexpected{FieldError{FieldError::Kind::Damaged,
                                           file.string() + " is damaged: it is larger than " +
                                               std::to_string(kLargestFile) + " bytes"}};
    }
    auto state = parseFieldFile(text);
    if (!state) {
        return util::Unexpected{
            FieldError{FieldError::Kind::Damaged, file.string() + " is damaged: " + state.error()}};
    }
    return *state;
}

std::optional<FieldError> FieldStore::save(const std::filesystem::path& file,
                                           const FieldState& state, bool synced) {
    // Under the exclusive lock, so no live writer's temporary file is among those removed.
    platform::removeStaleTemporaries(file);
    if (auto error = replaceFieldFile(
            file, formatFieldFile(state),
            synced ? platform::Durability::Synced : platform::Durability::Unsynced)) {
        return unavailable(std::move(*error));
    }
    return std::nullopt;
}

std::optional<FieldError> FieldStore::makeFolder(const std::filesystem::path& file) const {
    const auto folder = file.parent_path();
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
