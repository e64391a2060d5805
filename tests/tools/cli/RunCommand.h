// Runs tovfileio in-process and captures what it writes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands/CommandIO.h"

namespace tovtest {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

namespace detail {

// `input` null: the test's own standard input.
inline CommandResult Run(const Arguments& args, std::string* input) {
    char* outData = nullptr;
    char* errData = nullptr;
    std::size_t outSize = 0, errSize = 0;
    CommandIO io;
    if (input != nullptr) {
        io.in = input->empty() ? std::fopen("/dev/null", "r")
                               : fmemopen(input->data(), input->size(), "r");
    }
    io.out = open_memstream(&outData, &outSize);
    io.err = open_memstream(&errData, &errSize);
    CommandResult result;
    result.status = RunTovfileio(args, io);
    if (input != nullptr) std::fclose(io.in);
    std::fclose(io.out);
    std::fclose(io.err);
    result.out.assign(outData, outSize);
    result.err.assign(errData, errSize);
    std::free(outData);
    std::free(errData);
    return result;
}

}  // namespace detail

inline CommandResult RunCommand(const Arguments& args) { return detail::Run(args, nullptr); }

// With `input` as standard input (empty: an input that ends at once).
inline CommandResult RunCommandWithInput(const Arguments& args, std::string input) {
    return detail::Run(args, &input);
}

}  // namespace tovtest
