#pragma once

#include "reader/library_location.h"
#include "reader/shared_library.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <stdexcept>

namespace testing_support {

// Handles the emulated reader's virtual field from a test, through the extra exports of the
// very library the program loads (the same loaded copy, so the same field).
class EmulatorControl {
public:
    EmulatorControl() {
        auto path = reader::defaultReaderLibraryPath();
        if (!path) {
            throw std::runtime_error(path.error());
        }
        auto opened = reader::SharedLibrary::open(*path);
        if (!opened) {
            throw std::runtime_error(opened.error());
        }
        library_ = std::move(*opened);
        placeTag_ = resolve<PlaceTagFn>("MF1_EmulatorPlaceTag");
        removeTag_ = resolve<RemoveTagFn>("MF1_EmulatorRemoveTag");
        beepCount_ = resolve<BeepCountFn>("MF1_EmulatorBeepCount");
    }

    void placeTag(const std::array<std::uint8_t, 5>& number) const { placeTag_(number.data()); }
    void removeTag() const { removeTag_(); }
    [[nodiscard]] std::uint32_t beepCount() const { return beepCount_(); }

private:
    using PlaceTagFn = void (*)(const std::uint8_t*);
    using RemoveTagFn = void (*)();
    using BeepCountFn = std::uint32_t (*)();

    template <class Fn>
    Fn resolve(const char* name) const {
        auto* address = library_.symbol(name);
        if (address == nullptr) {
            throw std::runtime_error(std::string("emulator lacks ") + name);
        }
        return reinterpret_cast<Fn>(address);  // NOLINT(*-reinterpret-cast)
    }

    reader::SharedLibrary library_;
    PlaceTagFn placeTag_ = nullptr;
    RemoveTagFn removeTag_ = nullptr;
    BeepCountFn beepCount_ = nullptr;
};

}  // namespace testing_support
