#include "ui/database_link.h"

#include <QMetaObject>
#include <QPointer>

#include <memory>
#include <utility>

namespace ui {

DatabaseLink::~DatabaseLink() {
    waits_->endWaitsAt(store::WaitLimit::Clock::now());
    if (worker_.joinable()) {
        worker_.join();
    }
}

void DatabaseLink::open(const std::string& url, const store::StationIdentity& station,
                        const std::optional<std::string>& password) {
    if (opening_) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    opening_ = true;
    // Each connection its own: a close that ends a session's waits leaves the next connection be.
    waits_ = std::make_shared<store::WaitLimit>();
    worker_ = std::thread([this, url, station, password, waits = waits_] {
        DatabaseFound found;
        std::optional<store::StoreError> error;
        auto store = store::SharedStore::connect(url, station, password, waits);
        if (!store) {
            error = store.error();
        } else if (auto open = store->openBatches(); !open) {
            error = open.error();
        } else {
            for (store::SharedBatch& batch : *open) {
                const auto progress = store->progress(batch.id);
                std::uint64_t held = 0;
                if (const auto accounts = store->accounting(batch.id)) {
                    for (const store::LeaseAccount& account : *accounts) {
                        held += account.stationId == station.id ? account.outstanding : 0;
                    }
                }
                found.open.push_back({std::move(batch), progress ? progress->verified : 0, held});
            }
            found.store = std::move(*store);
        }
        // The window's thread takes it; the destructor joins this thread first, so `this` lives.
        auto result = std::make_shared<std::pair<DatabaseFound, std::optional<store::StoreError>>>(
            std::move(found), std::move(error));
        QMetaObject::invokeMethod(
            this, [this, result] { finish(std::move(result->first), std::move(result->second)); },
            Qt::QueuedConnection);
    });
}

void DatabaseLink::finish(DatabaseFound result, std::optional<store::StoreError> error) {
    opening_ = false;
    if (error) {
        error_ = std::move(*error);
        Q_EMIT failed();
        return;
    }
    found_ = std::move(result);
    Q_EMIT found();
}

}  // namespace ui
