#include "RowPipe.h"

#include <algorithm>
#include <span>
#include <utility>

namespace tovfileio {

RowPipe::RowPipe(std::size_t rowWidth, Consumer consumer)
    : width_(rowWidth), consumer_(std::move(consumer)) {
    filling_.held.reserve(kSamplesPerChunk);
    filling_.rows.reserve(kRowsPerChunk);
    thread_ = std::thread([this] { Run(); });
}

RowPipe::~RowPipe() { Finish(); }

bool RowPipe::Push(const TRCRow& row) {
    filling_.held.insert(filling_.held.end(), row.Held().begin(), row.Held().end());
    filling_.rows.push_back({row.Held().size(), row.Rest()});
    if (filling_.rows.size() == kRowsPerChunk || filling_.held.size() >= kSamplesPerChunk) Send();
    return !failed_;
}

// Hands the chunk being filled to the consumer and takes an empty one,
// waiting while the consumer is behind.
void RowPipe::Send() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return inFlight_ < kChunksInFlight || failed_; });
    full_.push_back(std::move(filling_));
    ++inFlight_;
    if (!free_.empty()) {
        filling_ = std::move(free_.back());
        free_.pop_back();
    } else {
        filling_ = Chunk{};
    }
    filling_.held.clear();
    filling_.rows.clear();
    changed_.notify_all();
}

bool RowPipe::Finish() {
    if (!thread_.joinable()) return !failed_;
    if (!filling_.rows.empty()) Send();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    thread_.join();
    return !failed_;
}

bool RowPipe::Consume(const Chunk& chunk) noexcept {
    try {
        const TRCSample* held = chunk.held.data();
        for (const StoredRow& row : chunk.rows) {
            if (!consumer_(TRCRow(std::span<const TRCSample>(held, row.held), row.rest, width_))) {
                return false;
            }
            held += row.held;
        }
        return true;
    } catch (...) {
        // Nothing on this thread could take the exception: the pipe fails,
        // and the consumer knows what it cut short.
        return false;
    }
}

void RowPipe::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !full_.empty() || closing_; });
        if (full_.empty()) return;
        Chunk chunk = std::move(full_.front());
        full_.pop_front();
        const bool skip = failed_;
        lock.unlock();
        const bool ok = skip || Consume(chunk);
        lock.lock();
        if (!ok) failed_ = true;
        free_.push_back(std::move(chunk));
        --inFlight_;
        changed_.notify_all();
    }
}

}  // namespace tovfileio
