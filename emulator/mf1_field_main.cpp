// mf1-field: handles the virtual field of the emulated reader from the command line.
#include "emulator/field_tool.h"

#include <exception>
#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    try {
        // NOLINTNEXTLINE(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        const std::vector<std::string_view> arguments(argv + 1, argv + argc);
        return emulator::runFieldTool(arguments, std::cout, std::cerr);
    } catch (const std::exception& failure) {
        std::cerr << "mf1-field: " << failure.what() << '\n';
    } catch (...) {
        std::cerr << "mf1-field: unexpected failure\n";
    }
    return emulator::kToolFieldError;
}
