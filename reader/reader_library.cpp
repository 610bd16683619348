#include "reader/reader_library.h"

#include "reader/reader_fault.h"

#include <exception>
#include <system_error>
#include <utility>

namespace reader {

namespace {

template <class Fn>
Fn resolve(const platform::SharedLibrary& library, const char* name) {
    // Object and function pointers share a representation on every platform we load on.
    return reinterpret_cast<Fn>(library.symbol(name));  // NOLINT(*-reinterpret-cast)
}

// Calls into the library, turning any exception it lets out into a ReaderFault naming the
// entry point. A C interface should let none out, but a closed library may be built to.
template <class Call>
Status guarded(const char* entryPoint, const Call& call) {
    try {
        return call();
    } catch (const std::exception& error) {
        throw ReaderFault(CallFault{entryPoint, error.what()});
    } catch (...) {
        throw ReaderFault(CallFault{entryPoint, "an exception of unknown type"});
    }
}

}  // namespace

util::Expected<ReaderLibrary, LoadError> ReaderLibrary::load(const std::filesystem::path& path) {
    try {
        return loadUnguarded(path);
    } catch (const std::exception& error) {
        return util::Unexpected{
            LoadError{LoadError::Kind::ThrewWhileLoading, path, error.what(), {}}};
    } catch (...) {
        return util::Unexpected{LoadError{
            LoadError::Kind::ThrewWhileLoading, path, "an exception of unknown type", {}}};
    }
}

util::Expected<ReaderLibrary, LoadError> ReaderLibrary::loadUnguarded(
    const std::filesystem::path& path) {
    // A missing file is told apart from one the system refuses, whose reason is the system's.
    std::error_code error;
    if (path.is_absolute() && !std::filesystem::exists(path, error) && !error) {
        return util::Unexpected{LoadError{LoadError::Kind::FileMissing, path, {}, {}}};
    }
    auto opened = platform::SharedLibrary::open(path);
    if (!opened) {
        return util::Unexpected{
            LoadError{LoadError::Kind::FileNotLoaded, path, opened.error(), {}}};
    }
    platform::SharedLibrary library = std::move(*opened);

    EntryPoints entryPoints;
    entryPoints.getSnr = resolve<MF_GetsnrFn>(library, kGetSnrName);
    entryPoints.write = resolve<MF_WriteFn>(library, kWriteName);
    entryPoints.controlBuzzer = resolve<ControlBuzzerFn>(library, kControlBuzzerName);
    const std::pair<bool, const char*> required[] = {
        {entryPoints.getSnr != nullptr, kGetSnrName},
        {entryPoints.write != nullptr, kWriteName},
        {entryPoints.controlBuzzer != nullptr, kControlBuzzerName},
    };
    for (const auto& [found, name] : required) {
        if (!found) {
            return util::Unexpected{LoadError{LoadError::Kind::EntryPointMissing, path, name, {}}};
        }
    }
    const bool emulated = library.symbol(kEmulatorMarkerName) != nullptr;
    return ReaderLibrary(entryPoints, std::move(library), path, emulated);
}

ReaderLibrary::ReaderLibrary(EntryPoints entryPoints, platform::SharedLibrary owner,
                             std::filesystem::path path, bool emulated)
    : library_(std::move(owner)),
      entryPoints_(entryPoints),
      path_(std::move(path)),
      emulated_(emulated) {}

Status ReaderLibrary::MF_Getsnr(ShortBuffer& shortBuffer, LongBuffer& longBuffer) {
    return guarded(kGetSnrName, [&] {
        return entryPoints_.getSnr(0, 0, shortBuffer.bytes.data(), longBuffer.bytes.data());
    });
}

Status ReaderLibrary::MF_Write(ShortBuffer& writeBlock, LongBuffer& longBuffer) {
    return guarded(kWriteName, [&] {
        return entryPoints_.write(0, 1, 1, writeBlock.bytes.data(), longBuffer.bytes.data());
    });
}

Status ReaderLibrary::ControlBuzzer(ControlCode code, LongBuffer& longBuffer) {
    return guarded(kControlBuzzerName, [&] {
        return entryPoints_.controlBuzzer(static_cast<std::uint8_t>(code), 1,
                                          longBuffer.bytes.data());
    });
}

}  // namespace reader
