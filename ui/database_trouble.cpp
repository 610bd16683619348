#include "ui/database_trouble.h"

#include "words/database_text.h"
#include "words/station_text.h"

namespace ui {

DatabaseTrouble troubleOf(const store::StoreError& error) {
    if (error.problem == store::DatabaseProblem::None) {
        return {words::storeErrorText(error), {}};
    }
    // The store's own words go to the details when they tell more (the versions that meet).
    const std::string& details = error.details.empty() ? error.words : error.details;
    return {words::databaseProblemText(error.problem), words::cleanServerText(details)};
}

}  // namespace ui
