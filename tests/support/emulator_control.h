#pragma once

#include "support/unique_path.h"

#include "emulator/environment.h"
#include "emulator/field_location.h"
#include "emulator/field_state.h"
#include "emulator/field_store.h"
#include "emulator/tags.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

namespace testing_support {

// Handles the emulated reader's virtual field from a test. Each instance gives the test process
// a field of its own: a fresh file under the system's temporary folder, named in
// MF1_EMULATOR_FIELD for as long as the instance lives (the emulated library, loaded or not,
// reads the variable on every call, and processes the test starts inherit it). The field starts
// empty; the destructor removes the file and restores the variable. Link zeld_emulator_core.
class EmulatorControl {
public:
    using Number = card::CardNumber;
    using TagKind = emulator::TagKind;

    EmulatorControl() : EmulatorControl(uniqueFile()) {}
    // The field in this file instead, which need not be in a folder that exists.
    explicit EmulatorControl(std::filesystem::path file)
        : store_(std::move(file), emulator::FieldStore::Sync::Never),
          previous_(emulator::environmentPath(emulator::kFieldVariable)) {
        removeFiles();
        setVariable(store_.file());
    }
    ~EmulatorControl() {
        if (previous_) {
            setVariable(*previous_);
        } else {
            unsetVariable();
        }
        removeFiles();
    }
    EmulatorControl(const EmulatorControl&) = delete;
    EmulatorControl& operator=(const EmulatorControl&) = delete;
    EmulatorControl(EmulatorControl&&) = delete;
    EmulatorControl& operator=(EmulatorControl&&) = delete;

    // The field file of this instance.
    [[nodiscard]] const std::filesystem::path& fieldFile() const noexcept { return store_.file(); }

    // A writable T5577 tag holding the number.
    void placeTag(const Number& number) const { placeTag(TagKind::T5577, number); }
    // A tag of that kind holding the number (EM4100: a read-only tag).
    void placeTag(TagKind kind, const Number& number) const {
        placeTag(emulator::tagHolding(kind, number));
    }
    // A blank writable tag, as delivered: it sends no valid frame until written.
    void placeEmptyTag(TagKind kind) const {
        if (kind == TagKind::EM4100) {
            throw std::invalid_argument("a read-only EM4100 tag always holds a number");
        }
        placeTag(kind == TagKind::T5577 ? emulator::Tag{emulator::blankT5577()}
                                        : emulator::Tag{emulator::blankEm4305()});
    }
    // A T5577 another cloner left password-locked: it reads as `number` but refuses writes.
    void placePasswordLockedT5577(const Number& number = {0, 0, 0, 0, 1}) const {
        placeTag(emulator::passwordLockedT5577(number));
    }
    // Any tag memory, for cases the helpers above do not cover.
    void placeTag(const emulator::Tag& tag) const {
        change([&](emulator::FieldState& field) { field.tag = tag; });
    }
    void removeTag() const {
        change([](emulator::FieldState& field) { field.tag.reset(); });
    }

    [[nodiscard]] std::uint32_t beepCount() const { return state().beeps; }
    // The whole field: the tag with its memory, the chip selected for writes, the beeps.
    [[nodiscard]] emulator::FieldState state() const {
        auto loaded = store_.load();
        if (!loaded) {
            throw std::runtime_error(loaded.error().message);
        }
        return *loaded;
    }
    [[nodiscard]] std::optional<emulator::Tag> tag() const { return state().tag; }
    // The number the tag in the field sends; nothing without a tag or a valid frame.
    [[nodiscard]] std::optional<Number> tagNumber() const {
        const auto current = tag();
        return current ? emulator::readNumber(*current) : std::nullopt;
    }
    // Whether every block a number write writes is locked (T5577 blocks 0-2) or protected
    // (EM4305 words 4-6). False without a writable tag.
    [[nodiscard]] bool isLocked() const {
        const auto current = tag();
        if (!current) {
            return false;
        }
        if (const auto* t5577 = std::get_if<emulator::T5577Tag>(&*current)) {
            return t5577->blocks[0].locked && t5577->blocks[1].locked && t5577->blocks[2].locked;
        }
        if (const auto* em4305 = std::get_if<emulator::Em4305Tag>(&*current)) {
            constexpr std::uint32_t kWritten = (1U << 4U) | (1U << 5U) | (1U << 6U);
            return (emulator::em4305ProtectedWords(*em4305) & kWritten) == kWritten;
        }
        return false;
    }
    [[nodiscard]] std::optional<emulator::Chip> selectedChip() const {
        return state().selectedChip;
    }

private:
    void change(const std::function<void(emulator::FieldState&)>& edit) const {
        auto updated = store_.update([&](emulator::FieldState& field) {
            edit(field);
            return true;
        });
        if (!updated) {
            throw std::runtime_error(updated.error().message);
        }
    }

    static std::filesystem::path uniqueFile() {
        return uniqueTemporaryPath("zeld-emulated-field-");
    }

    void removeFiles() const {
        std::error_code ignored;
        std::filesystem::remove(store_.file(), ignored);
        std::filesystem::remove(store_.lockFile(), ignored);
    }

    static void setVariable(const std::filesystem::path& value) {
#if defined(_WIN32)
        _wputenv_s(L"MF1_EMULATOR_FIELD", value.c_str());
#else
        setenv(emulator::kFieldVariable, value.c_str(), 1);  // NOLINT(concurrency-mt-unsafe)
#endif
    }
    static void unsetVariable() {
#if defined(_WIN32)
        _wputenv_s(L"MF1_EMULATOR_FIELD", L"");
#else
        unsetenv(emulator::kFieldVariable);                  // NOLINT(concurrency-mt-unsafe)
#endif
    }

    emulator::FieldStore store_;
    std::optional<std::filesystem::path> previous_;
};

}  // namespace testing_support
