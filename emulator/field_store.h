#pragma once

#include "emulator/field_location.h"
#include "emulator/field_state.h"
#include "emulator/status_codes.h"
#include "util/expected.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace emulator {

// Why the field could not be loaded or saved.
struct FieldError {
    enum class Kind {
        Damaged,      // the file is there but does not describe a field; it is left as it is
        Unavailable,  // the file (or its lock) cannot be opened, read, written or located
    };
    Kind kind = Kind::Unavailable;
    std::string message;  // names the file and what is wrong with it
};

[[nodiscard]] Status statusOf(const FieldError& error) noexcept;

// The virtual field kept in a file. The store holds only the file's name: const operations
// still change the file. Every change takes the file's lock (the file's name with ".lock"
// added) for its whole length, so two processes, or two stores in one process, never lose each
// other's changes; a change replaces the file atomically and tidies away the temporary files of
// writers that died. A read takes the lock shared where it can, and reads without it in a
// folder it may not write. A missing file is an empty field. A damaged file is never written
// over, except by overwrite(). A field file that is a symbolic link its user made is read and
// changed at the link's target; any other link is refused (see resolveFieldLink).
class FieldStore {
public:
    // Larger files are damaged: no field takes that much text.
    static constexpr std::size_t kLargestFile = std::size_t{64} * 1024;

    // Which changes reach the disk before the call returns. The tag's memory is what a real
    // tag keeps through a power cut; a beep count or a chip selection is not worth the wait.
    enum class Sync { TagChanges, Never };
    enum class MissingFolder {
        Create,  // a change creates the file's folder
        Refuse,  // a change fails, naming the folder
    };

    explicit FieldStore(std::filesystem::path file, Sync sync = Sync::TagChanges,
                        MissingFolder missingFolder = MissingFolder::Create);
    // The file chosen by the environment: a named file's folder is not created.
    explicit FieldStore(const ChosenFieldFile& chosen, Sync sync = Sync::TagChanges);

    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }
    // Beside the file, or beside its target when the file is a link the store follows.
    [[nodiscard]] std::filesystem::path lockFile() const;

    // The field as the file describes it now.
    [[nodiscard]] util::Expected<FieldState, FieldError> load() const;

    // Loads the field and hands it to `change`, holding the lock until the changed field is
    // saved; saves only when `change` returns true. Returns the field as it is afterwards.
    util::Expected<FieldState, FieldError> update(
        const std::function<bool(FieldState&)>& change) const;

    // Saves `state` whatever the file holds now, a damaged file included.
    [[nodiscard]] std::optional<FieldError> overwrite(const FieldState& state) const;

private:
    // The file the operations work on: file_, or the target of the link it is.
    [[nodiscard]] util::Expected<std::filesystem::path, FieldError> target() const;
    [[nodiscard]] static util::Expected<FieldState, FieldError> read(
        const std::filesystem::path& file);
    [[nodiscard]] static std::optional<FieldError> save(const std::filesystem::path& file,
                                                        const FieldState& state, bool synced);
    [[nodiscard]] std::optional<FieldError> makeFolder(const std::filesystem::path& file) const;

    std::filesystem::path file_;
    Sync sync_ = Sync::TagChanges;
    MissingFolder missingFolder_ = MissingFolder::Create;
};

}  // namespace emulator
