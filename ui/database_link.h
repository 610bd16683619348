#pragma once

#include "store/shared_store.h"

#include <QObject>

#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ui {

// What connecting to the shared database found: the connection, and the batches open in it with
// how far each is written.
struct DatabaseFound {
    struct OpenBatch {
        store::SharedBatch batch;
        std::uint64_t verified = 0;
        std::uint64_t heldHere = 0;  // numbers this station leased and neither wrote nor gave back
    };
    std::optional<store::SharedStore> store;
    std::vector<OpenBatch> open;  // oldest first
};

// Connects to the shared database on a thread of its own, so that a server away (libpq waits up
// to 10 s for one) never holds the window; the answer comes back on the window's thread.
class DatabaseLink final : public QObject {
    Q_OBJECT

public:
    explicit DatabaseLink(QObject* parent = nullptr) : QObject(parent) {}
    ~DatabaseLink() override;
    DatabaseLink(const DatabaseLink&) = delete;
    DatabaseLink& operator=(const DatabaseLink&) = delete;
    DatabaseLink(DatabaseLink&&) = delete;
    DatabaseLink& operator=(DatabaseLink&&) = delete;

    // Connects as `station`, then lists the open batches; found() or failed() says how it went.
    // Ignored while a connection is being made.
    void open(const std::string& url, const store::StationIdentity& station,
              const std::optional<std::string>& password);
    [[nodiscard]] bool opening() const noexcept { return opening_; }
    // What the last found() found, taken by the caller.
    [[nodiscard]] DatabaseFound take() { return std::move(found_); }
    // Why the last failed() failed.
    [[nodiscard]] const store::StoreError& error() const noexcept { return error_; }

Q_SIGNALS:
    void found();
    // error() says why.
    void failed();

private:
    void finish(DatabaseFound result, std::optional<store::StoreError> error);

    std::thread worker_;
    // Ended when the link is: a window closed while a server is stuck never waits for it.
    store::SharedWaitLimit waits_ = std::make_shared<store::WaitLimit>();
    bool opening_ = false;
    DatabaseFound found_;
    store::StoreError error_;
};

}  // namespace ui
