#include "RowPipe.h"

#include <algorithm>
#include <utility>

namespace tovfileio {

RowPipe::RowPipe(std::size_t rowWidth, Consumer consumer)
    : width_(rowWidth), consumer_(std::move(consumer)) {
    filling_.samples.resize(width_ * kRowsPerChunk);
    thread_ = std::thread([this] { Run(); });
}

RowPipe::~RowPipe() { Finish(); }

bool RowPipe::Push(std::span<const TRCSample> row) {
    std::copy(row.begin(), row.end(), filling_.samples.begin() +
                                          static_cast<std::ptrdiff_t>(filling_.rows * width_));
    if (++filling_.rows == kRowsPerChunk) Send();
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
        filling_.samples.resize(width_ * kRowsPerChunk);
    }
    filling_.rows = 0;
    changed_.notify_all();
}

bool RowPipe::Finish() {
    if (!thread_.joinable()) return !failed_;
    if (filling_.rows > 0) Send();
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
        for (std::size_t row = 0; row < chunk.rows; ++row) {
            const TRCSample* const first = chunk.samples.data() + row * width_;
            if (!consumer_(std::span<const TRCSample>(first, width_))) return false;
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
