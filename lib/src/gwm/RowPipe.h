// Rows of a TRC file handed from the thread that reads them to one that
// writes them, in chunks, so that formatting and writing the output overlap
// reading the input. A row travels as the reader gives it (the samples of
// its own columns and the one sample of the markers past its end), and a
// chunk holds at most so many rows and so many samples, so the chunks in
// flight take memory bounded by neither the file's length nor the markers
// it names.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

class RowPipe {
public:
    // Takes one row; false when it could not be written, which stops the
    // pipe, as an exception does.
    using Consumer = std::function<bool(const TRCRow&)>;

    // Rows of `rowWidth` markers go to `consumer` on a thread of the pipe.
    RowPipe(std::size_t rowWidth, Consumer consumer);
    // Waits for the rows pushed so far.
    ~RowPipe();
    RowPipe(const RowPipe&) = delete;
    RowPipe& operator=(const RowPipe&) = delete;

    // Queues a copy of `row`; false once the consumer has failed.
    bool Push(const TRCRow& row);
    // Waits until every row pushed was taken; false when the consumer failed.
    bool Finish();

private:
    static constexpr std::size_t kRowsPerChunk = 512;
    // A chunk is sent once it holds this many samples (1 MiB); a single
    // row of more goes alone.
    static constexpr std::size_t kSamplesPerChunk = 32768;
    static constexpr std::size_t kChunksInFlight = 3;

    struct StoredRow {
        std::size_t held;  // samples of its own columns, in the chunk's `held`
        TRCSample rest;    // the markers past them
    };
    struct Chunk {
        std::vector<TRCSample> held;  // the rows' own samples, one row after another
        std::vector<StoredRow> rows;
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
