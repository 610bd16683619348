#include "journal/line_pieces.h"

#include "journal/batch_lines.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace journal {

LinePieces::LinePieces(const platform::OwnedFile& file, std::uint64_t offset, std::uint64_t size,
                       std::size_t readBytes)
    : file_(file), at_(offset), parsed_(offset), size_(size), readBytes_(readBytes) {}

bool LinePieces::next(LinePiece& piece) {
    piece.records.clear();
    piece.unreadable = 0;
    piece.batchLines.clear();
    if (piece.records.capacity() == 0) {
        piece.records.reserve(std::min(kPieceBytes, readBytes_) / kShortestLine);
    }
    if (at_ >= size_) {
        return false;
    }
    const std::size_t kept = carried_.size();
    const auto want = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::min(kPieceBytes - kept, readBytes_), size_ - at_));
    piece.bytes.resize(std::max(piece.bytes.size(), kept + want));
    std::copy(carried_.begin(), carried_.end(), piece.bytes.begin());
    const auto got = platform::readAt(file_.native(), at_, piece.bytes.data() + kept, want);
    if (!got) {
        error_ = got.error();
        return false;
    }
    if (*got == 0) {
        size_ = at_;  // it shrank meanwhile
        return false;
    }
    at_ += *got;
    piece.begin = parsed_;
    const std::string_view text(piece.bytes.data(), kept + *got);
    std::size_t begin = 0;
    if (parsed_ == 0 && text.starts_with(kByteOrderMark)) {
        begin = kByteOrderMark.size();
    }
    for (;;) {
        if (!skipping_) {
            // Lines the program wrote, read in one pass; any other line as CSV below.
            if (const auto own = readProgramLine(text.substr(begin))) {
                piece.records.push_back(own->record);
                piece.records.back().at = static_cast<std::uint32_t>(begin);
                begin += own->length;
                continue;
            }
        }
        const std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) {
            break;
        }
        std::string_view line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!skipping_) {
            if (const auto record = parseLine(line)) {
                piece.records.push_back(*record);
                piece.records.back().at = static_cast<std::uint32_t>(begin);
            } else if (isBatchLine(line)) {
                piece.batchLines.push_back(static_cast<std::uint32_t>(begin));
            } else if (!line.empty() && !line.starts_with(kHeaderStart)) {
                ++piece.unreadable;
            }
        }
        skipping_ = false;
        begin = end + 1;
    }
    if (begin == 0 && text.size() == kPieceBytes) {
        // A piece without a line end holds no line of the journal: pass over it whole.
        parsed_ += text.size();
        carried_.clear();
        skipping_ = true;
    } else {
        parsed_ += begin;
        carried_.assign(text.substr(begin));
    }
    piece.end = parsed_;
    return true;
}

std::string_view lineAt(const LinePiece& piece, std::size_t at) {
    const std::string_view text(piece.bytes.data(),
                                static_cast<std::size_t>(piece.end - piece.begin));
    std::string_view line = text.substr(at, text.find('\n', at) - at);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

namespace {

// Two pieces taking turns: a reading thread of its own fills one while the other is taken in.
class PieceTurns {
public:
    PieceTurns() = default;
    PieceTurns(const PieceTurns&) = delete;
    PieceTurns& operator=(const PieceTurns&) = delete;
    PieceTurns(PieceTurns&&) = delete;
    PieceTurns& operator=(PieceTurns&&) = delete;
    // However the taking in ends, the reading thread stops and is waited for (one read at most).
    ~PieceTurns() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        if (reader_.joinable()) {
            reader_.join();
        }
    }

    // Starts reading; throws std::system_error when no thread can be had.
    void start(LinePieces& pieces) {
        reader_ = std::thread([this, &pieces] { fill(pieces); });
    }
    // The piece of this turn once it is read; nothing at the end. Rethrows the reading's failure.
    const LinePiece* await(std::size_t turn) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return full_.at(turn) || ended_; });
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        return full_.at(turn) ? &pieces_.at(turn) : nullptr;
    }
    void release(std::size_t turn) {
        {
            const std::lock_guard lock(mutex_);
            full_.at(turn) = false;
        }
        changed_.notify_all();
    }

private:
    void fill(LinePieces& pieces) noexcept {
        for (std::size_t turn = 0;; turn = 1 - turn) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !full_.at(turn) || stopped_; });
                if (stopped_) {
                    return;
                }
            }
            bool more = false;
            std::exception_ptr failure;
            try {
                more = pieces.next(pieces_.at(turn));
            } catch (...) {
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                failure_ = failure;
                if (more) {
                    full_.at(turn) = true;
                } else {
                    ended_ = true;
                }
            }
            changed_.notify_all();
            if (!more) {
                return;
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::array<LinePiece, 2> pieces_;
    std::array<bool, 2> full_{};
    bool ended_ = false;
    bool stopped_ = false;
    std::exception_ptr failure_;
    std::thread reader_;  // joined by the destructor, before the pieces it fills go
};

bool readInOne(LinePieces& pieces, const std::atomic<bool>& stop,
               const std::function<void(const LinePiece&)>& takeIn) {
    LinePiece piece;
    while (pieces.next(piece)) {
        if (stop) {
            return false;
        }
        takeIn(piece);
    }
    return true;
}

}  // namespace

bool forEachPiece(LinePieces& pieces, bool inTwo, const std::atomic<bool>& stop,
                  const std::function<void(const LinePiece&)>& takeIn) {
    if (!inTwo) {
        return readInOne(pieces, stop, takeIn);
    }
    PieceTurns turns;
    try {
        turns.start(pieces);
    } catch (const std::system_error&) {
        return readInOne(pieces, stop, takeIn);  // no thread to be had
    }
    for (std::size_t turn = 0;; turn = 1 - turn) {
        const LinePiece* piece = turns.await(turn);
        if (piece == nullptr) {
            return true;
        }
        if (stop) {
            return false;
        }
        takeIn(*piece);
        turns.release(turn);
    }
}

}  // namespace journal
