// The conversions of a batch, run side by side, each in a process of its own
// forked from tovfileio: a conversion sets process-wide state (the file-size
// limit, signal notes) and may take all the memory it is given, so no file
// of a batch can disturb another's, and --jobs 1 and --jobs N write the same
// files and say the same things. A worker's messages and its report line
// come back through a pipe when it ends; the batch shows them in the order
// of its sources.
//
// A worker ignores Ctrl-C (SIGINT, SIGTERM, SIGHUP), which the batch takes
// as a cancel: the files being written are finished, no other is started.
// A worker dies with the batch (SIGKILL): its output, written without a name
// until whole, then leaves nothing behind.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "cli/commands/BatchReport.h"
#include "cli/files/CommandIO.h"

class BatchWorkers {
public:
    // What a worker does: converts one source, saying what it says on the
    // io's standard error, and reports how it went.
    using Work = std::function<BatchFileReport(const CommandIO& io)>;

    struct Done {
        std::size_t index = 0;  // the source's place in the batch
        BatchStatus status = BatchStatus::kFailed;
        std::string reportLine;  // with its line end
        std::string messages;    // what it said on standard error
    };

    explicit BatchWorkers(unsigned jobs) : jobs_(jobs == 0 ? 1 : jobs) {}
    ~BatchWorkers();
    BatchWorkers(const BatchWorkers&) = delete;
    BatchWorkers& operator=(const BatchWorkers&) = delete;

    bool Full() const { return running_.size() >= jobs_; }
    bool Idle() const { return running_.empty() && ended_.empty(); }

    // Starts `work` for the source at `index`; `unfinished` is reported for
    // it when the worker cannot be started or ends without a report.
    void Start(std::size_t index, const Work& work, const BatchFileReport& unfinished);
    // Waits for a running worker to end (Idle() is false); what it did.
    Done WaitOne();

private:
    struct Running {
        std::size_t index;
        pid_t pid;
        int fd;
        std::string received;
        BatchFileReport unfinished;
    };
    // Reads what a worker sent once it closed its pipe, and reaps it.
    static Done Finish(Running& worker);
    // The report of a source whose worker could not tell its own.
    static Done Unfinished(std::size_t index, BatchFileReport report, const std::string& why);

    unsigned jobs_;
    std::vector<Running> running_;
    std::vector<Done> ended_;  // sources no worker could be started for
};
