// Runs tovfileio in-process and captures what it writes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/CommandIO.h"

namespace tovtest {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline CommandResult RunCommand(const Arguments& args) {
    char* outData = nullptr;
    char* errData = nullptr;
    std::size_t outSize = 0, errSize = 0;
    CommandIO io;
    io.out = open_memstream(&outData, &outSize);
    io.err = open_memstream(&errData, &errSize);
    CommandResult result;
    result.status = RunTovfileio(args, io);
    std::fclose(io.out);
    std::fclose(io.err);
    result.out.assign(outData, outSize);
    result.err.assign(errData, errSize);
    std::free(outData);
    std::free(errData);
    return result;
}

}  // namespace tovtest
