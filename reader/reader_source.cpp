#include "reader/reader_source.h"

#include "platform/program_location.h"
#include "reader/library_location.h"

#include <exception>
#include <system_error>
#include <utility>

namespace reader {

LazyReaderLibrary::LazyReaderLibrary() {
    auto folder = platform::executableFolder();
    if (folder) {
        const auto places = readerLibraryPlaces(*folder);
        places_.assign(places.begin(), places.end());
    } else {
        locationError_ = folder.error();
    }
}

LazyReaderLibrary::LazyReaderLibrary(std::filesystem::path libraryPath)
    : places_{std::move(libraryPath)} {}

LazyReaderLibrary::LazyReaderLibrary(std::vector<std::filesystem::path> places)
    : places_(std::move(places)) {}

std::filesystem::path LazyReaderLibrary::libraryPath() const {
    if (library_) {
        return library_->path();
    }
    for (const auto& place : places_) {
        std::error_code ignored;
        if (std::filesystem::exists(place, ignored)) {
            return place;
        }
    }
    return places_.empty() ? std::filesystem::path() : places_.front();
}

util::Expected<Reader*, LoadError> LazyReaderLibrary::acquire() {
    if (library_) {
        return static_cast<Reader*>(&*library_);
    }
    if (places_.empty()) {
        return util::Unexpected{LoadError{
            LoadError::Kind::LocationUnknown, readerLibraryFileName(), locationError_, {}}};
    }
    // Choosing the place copies paths and asks the file system, either of which may throw.
    try {
        auto loaded = ReaderLibrary::load(libraryPath());
        if (!loaded) {
            LoadError error = loaded.error();
            if (error.kind == LoadError::Kind::FileMissing && places_.size() > 1) {
                error.otherPlace = places_.back();
            }
            return util::Unexpected{std::move(error)};
        }
        library_.emplace(std::move(*loaded));
    } catch (const std::exception& error) {
        return util::Unexpected{
            LoadError{LoadError::Kind::ThrewWhileLoading, places_.front(), error.what(), {}}};
    }
    tellLoaded();
    return static_cast<Reader*>(&*library_);
}

ReaderInUse LazyReaderLibrary::readerInUse() const {
    return ReaderInUse{libraryPath(), library_.has_value(), library_ && library_->isEmulated()};
}

}  // namespace reader
