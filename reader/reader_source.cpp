#include "reader/reader_source.h"

#include "reader/library_location.h"

#include <utility>

namespace reader {

LazyReaderLibrary::LazyReaderLibrary() {
    auto path = defaultReaderLibraryPath();
    if (path) {
        path_ = std::move(*path);
    } else {
        locationError_ = path.error();
    }
}

LazyReaderLibrary::LazyReaderLibrary(std::filesystem::path libraryPath)
    : path_(std::move(libraryPath)) {}

util::Expected<Reader*, LoadError> LazyReaderLibrary::acquire() {
    if (library_) {
        return static_cast<Reader*>(&*library_);
    }
    if (path_.empty()) {
        return util::Unexpected{
            LoadError{LoadError::Kind::LocationUnknown, readerLibraryFileName(), locationError_}};
    }
    auto loaded = ReaderLibrary::load(path_);
    if (!loaded) {
        return util::Unexpected{loaded.error()};
    }
    library_.emplace(std::move(*loaded));
    return static_cast<Reader*>(&*library_);
}

ReaderInUse LazyReaderLibrary::readerInUse() const {
    return ReaderInUse{path_, library_.has_value(), library_ && library_->isEmulated()};
}

}  // namespace reader
