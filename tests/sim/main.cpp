// The simulated shop: many stations numbering tags through the real write, read, batch,
// hands-free and shared-batch code and the real journal, against a seeded schedule of faults,
// every step checked by the oracle. One seed, one run: the seed is printed first.
//
//   simulated_shop [--seed N] [--tags N] [--faults kill,disk,lies,swap,server,names,views]
//                  [--stations-by-name] [--folder DIR]
#include "shop.h"

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <string_view>

namespace {

int usage() {
    std::cerr << "simulated_shop [--seed N] [--tags N] [--faults kill,disk,...] "
                 "[--stations-by-name] [--folder DIR]\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    sim::ShopOptions options;
    options.seed = std::random_device{}();
    for (const auto& [kind, name] : sim::kFaultNames) {
        options.kinds.insert(kind);
    }
    std::filesystem::path folder =
        std::filesystem::path(std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") /
        ("zeld-shop-" + std::to_string(::getpid()));
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--seed" && hasValue) {
            options.seed = std::stoull(argv[++i]);
        } else if (arg == "--tags" && hasValue) {
            options.tags = std::stoull(argv[++i]);
        } else if (arg == "--faults" && hasValue) {
            const auto kinds = sim::parseFaultKinds(argv[++i]);
            if (!kinds) {
                return usage();
            }
            options.kinds = *kinds;
        } else if (arg == "--stations-by-name") {
            options.identities = sim::Identities::ByName;
        } else if (arg == "--folder" && hasValue) {
            folder = argv[++i];
        } else {
            return usage();
        }
    }
    std::cout << "seed " << options.seed << std::endl;
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    const auto began = std::chrono::steady_clock::now();
    const sim::ShopReport report = sim::runShop(options);
    const auto seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::error_code ignored;
    std::filesystem::current_path("/", ignored);
    std::filesystem::remove_all(folder, ignored);

    std::cout << "tags " << report.tags << " days " << report.days << " kills " << report.kills
              << " full-disk appends " << report.fullAppends << " server outages " << report.outages
              << " in " << seconds << " s\n";
    for (const auto& violation : report.firstViolations) {
        std::cout << "violation: " << violation << '\n';
    }
    std::cout << "violations " << report.violations;
    for (std::size_t rule = 0; rule < sim::Oracle::kRules; ++rule) {
        if (report.byRule.at(rule) > 0) {
            std::cout << ' ' << sim::Oracle::kRuleNames.at(rule) << ' ' << report.byRule.at(rule);
        }
    }
    std::cout << std::endl;
    return report.violations == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
