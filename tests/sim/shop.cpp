#include "shop.h"

#include "card/number_text.h"
#include "memory_ledger.h"
#include "oracle.h"
#include "sim_disk.h"
#include "station.h"
#include "tag_field.h"

#include <memory>
#include <set>
#include <system_error>
#include <utility>

namespace sim {

namespace {

// Each station's numbers: a range of its own, below the eight-digit view's top so that no two
// ranges share a view.
constexpr std::uint64_t kRangeStride = 0x100000;
constexpr std::uint64_t kSharedFirst = 0x080000;

// Two stations of the day that the names trouble sets against each other, and how.
enum class Clash { None, OneName, NulNames, OneIdentity };

struct Day {
    TagField field;
    Oracle oracle{field};
    SharedDatabase database;
    std::int64_t sharedBatch = 0;
    std::vector<std::unique_ptr<Station>> stations;

    Day(std::size_t readers, Identities identities)
        : field(readers),
          database(identities == Identities::ByName ? SharedDatabase::Stations::ByName
                                                    : SharedDatabase::Stations::ByIdentity) {}
};

commands::BatchOrder orderFor(const std::string& name, std::uint64_t first, std::uint64_t count) {
    commands::BatchOrder order;
    order.name = name;
    order.first = card::tagNumberFromValue(first);
    order.count = count;
    return order;
}

std::vector<StationSetup> setUp(const ShopOptions& options, const std::filesystem::path& folder,
                                std::int64_t sharedBatch, std::uint64_t perStation,
                                SimRandom& random) {
    const std::size_t count = 2 + random.below(3);
    Clash clash = Clash::None;
    if (options.kinds.contains(FaultKind::Names) && random.chance(300)) {
        clash = static_cast<Clash>(1 + random.below(3));
    }
    constexpr std::array<Mode, 5> kModes{Mode::Plain, Mode::Batch, Mode::HandsFree, Mode::Shared,
                                         Mode::SharedHandsFree};
    std::vector<StationSetup> setups;
    for (std::size_t i = 0; i < count; ++i) {
        StationSetup setup;
        setup.index = i;
        setup.mode = kModes.at(random.below(kModes.size()));
        setup.folder = folder.string() + "s" + std::to_string(i);
        setup.name = "站" + std::to_string(i);
        setup.identity = "id-" + std::to_string(i);
        setup.order = orderFor("批" + std::to_string(i), kRangeStride * (i + 1), perStation);
        setup.sharedBatch = sharedBatch;
        if (clash != Clash::None && i < 2) {
            setup.mode = i == 0 ? Mode::Shared : Mode::SharedHandsFree;
            setup.nameTaken = clash != Clash::OneIdentity;
            setup.identityCloned = clash == Clash::OneIdentity;
            if (clash == Clash::OneName) {
                setup.name = "收银台";
            } else if (clash == Clash::NulNames) {
                setup.name = std::string("站\0", 4) + (i == 0 ? "甲" : "乙");
            } else {
                setup.identity = "id-clone";
            }
        }
        setups.push_back(std::move(setup));
    }
    return setups;
}

constexpr std::size_t kShownByRule = 3;

std::string describe(const Day& day) {
    constexpr std::array<const char*, 5> kModeNames{"plain", "batch", "hands-free", "shared",
                                                    "shared hands-free"};
    std::string words;
    for (const auto& station : day.stations) {
        const StationSetup& setup = station->setup();
        std::string name;
        for (const char c : setup.name) {
            name += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
        words += (words.empty() ? "" : ", ") + std::string("station ") +
                 std::to_string(setup.index) + " " + kModeNames.at(static_cast<int>(setup.mode)) +
                 " \"" + name + "\" " + setup.identity;
    }
    return words;
}

// One day of the shop: its stations write until the day's tags are laid or all are done.
std::uint64_t runDay(const ShopOptions& options, std::uint64_t dayNumber, SimDisk& disk,
                     SimRandom random, ShopReport& report) {
    // Relative to the run's folder, the working one: opening a journal looks at each folder
    // of its path, and this keeps that to one.
    const std::filesystem::path folder = "d" + std::to_string(dayNumber);
    std::error_code ignored;

    const std::uint64_t sharedCount = options.tagsPerDay / 3;
    SimRandom setupRandom = random.fork();
    // How many stations comes first from the setup's own stream.
    auto setups = setUp(options, folder, 1, options.tagsPerDay / 3, setupRandom);
    Day day(setups.size(), options.identities);
    day.sharedBatch = day.database.createBatch(orderFor("共享", kSharedFirst, sharedCount));
    for (auto& setup : setups) {
        day.stations.push_back(std::make_unique<Station>(std::move(setup), day.field, disk,
                                                         &day.database, day.oracle));
    }

    std::uint64_t tags = 0;
    std::uint64_t outageLeft = 0;
    const std::string where = "day " + std::to_string(dayNumber) + " step ";
    for (std::uint64_t step = 0; step < options.tagsPerDay; ++step) {
        if (outageLeft > 0 && --outageLeft == 0) {
            day.database.setReachable(true);
        }
        if (options.kinds.contains(FaultKind::Server) && outageLeft == 0 &&
            random.chance(options.rates.outage)) {
            day.database.setReachable(false);
            outageLeft = 5 + random.below(40);
            ++report.outages;
        }
        Station& station = *day.stations.at(random.below(day.stations.size()));
        const StepFaults faults =
            drawStep(options.kinds, station.setup().mode, options.rates, random);
        if (station.finished()) {
            continue;
        }
        day.oracle.beginStep(where + std::to_string(step) + " station " +
                             std::to_string(station.setup().index));
        station.step(faults);
        ++tags;
    }

    day.database.setReachable(true);
    day.oracle.beginStep("day " + std::to_string(dayNumber) + " end");
    std::set<std::uint64_t> recorded;
    for (auto& station : day.stations) {
        station->close();
        report.kills += station->kills();
        recorded.merge(station->journalNumbers());
    }
    day.oracle.everyTagRecorded([&](std::uint64_t number) {
        return recorded.contains(number) || day.database.holds(number);
    });
    if (auto uneven = day.database.leasesAddUp()) {
        day.oracle.fail(Oracle::Rule::LeaseAddsUp, *uneven);
    }
    report.violations += day.oracle.violations();
    for (std::size_t rule = 0; rule < Oracle::kRules; ++rule) {
        report.byRule.at(rule) += day.oracle.byRule().at(rule);
    }
    bool described = false;
    for (const auto& violation : day.oracle.firstViolations()) {
        auto& shown = report.shownByRule.at(static_cast<std::size_t>(violation.rule));
        if (shown >= kShownByRule) {
            continue;
        }
        ++shown;
        if (!std::exchange(described, true)) {
            report.firstViolations.push_back("day " + std::to_string(dayNumber) + ": " +
                                             describe(day));
        }
        report.firstViolations.push_back(violation.what);
    }
    for (auto& station : day.stations) {
        std::filesystem::remove_all(station->setup().folder, ignored);
    }
    day.stations.clear();
    return tags;
}

}  // namespace

ShopReport runShop(const ShopOptions& options) {
    ShopReport report;
    SimDisk disk;
    SimRandom random(options.seed);
    while (report.tags < options.tags) {
        report.tags += runDay(options, report.days, disk, random.fork(), report);
        ++report.days;
    }
    report.fullAppends = disk.fullAppends();
    return report;
}

}  // namespace sim
