#include "emulator/field_location.h"

#include "emulator/environment.h"
#include "platform/user_folders.h"

#include <utility>

namespace emulator {

util::Expected<std::filesystem::path, std::string> defaultFieldFile() {
    auto folder = platform::stateFolder();
    if (folder) {
        return *folder / "emulated-field";
    }
    const auto& unset = folder.error().unsetVariables;
    std::string which;
    for (const auto& name : unset) {
        which += (which.empty() ? "neither " : " nor ") + name;
    }
    which = unset.size() == 1 ? unset.front() + " is not set" : which + " is set";
    return util::Unexpected{"no place for the field file: " + which +
                            " (set MF1_EMULATOR_FIELD to a file)"};
}

util::Expected<ChosenFieldFile, std::string> fieldFile() {
    if (auto named = environmentPath(kFieldVariable)) {
        return ChosenFieldFile{std::move(*named), true};
    }
    auto file = defaultFieldFile();
    if (!file) {
        return util::Unexpected{file.error()};
    }
    return ChosenFieldFile{std::move(*file), false};
}

}  // namespace emulator
