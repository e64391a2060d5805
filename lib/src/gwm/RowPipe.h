// Rows of a TRC file handed from the thread that reads them to one that
// writes them, in chunks, so that formatting and writing the output overlap
// reading the input. The chunks in flight are bounded, so memory does not
// grow with the file.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "tovfileio/trc/TRCMarker.h"

namespace tovfileio {

class RowPipe {
public:
    // Takes one row; false when it could not be written, which stops the
    // pipe, as an exception does.
    using Consumer = std::function<bool(std::span<const TRCSample>)>;

    // Rows of `rowWidth` samples go to `consumer` on a thread of the pipe.
    RowPipe(std::size_t rowWidth, Consumer consumer);
    // Waits for the rows pushed so far.
    ~RowPipe();
    RowPipe(const RowPipe&) = delete;
    RowPipe& operator=(const RowPipe&) = delete;

    // Queues a copy of `row`; false once the consumer has failed.
    bool Push(std::span<const TRCSample> row);
    // Waits until every row pushed was taken; false when the consumer failed.
    bool Finish();

private:
    static constexpr std::size_t kRowsPerChunk = 512;
    static constexpr std::size_t kChunksInFlight = 3;

    struct Chunk {
        std::vector<TRCSample> samples;
        std::size_t rows = 0;
    };

    void Send();
    void Run();
    // Hands the chunk's rows to the consumer; false once one fails or throws.
    bool Consume(const Chunk& chunk) noexcept;

    const std::size_t width_;
    Consumer consumer_;
    Chunk filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Chunk> full_;   // waiting for the consumer
    std::vector<Chunk> free_;  // taken, to be filled again
    std::size_t inFlight_ = 0;
    bool closing_ = false;
    std::atomic<bool> failed_{false};
    std::thread thread_;
};

}  // namespace tovfileio
