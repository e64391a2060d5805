// Where a command reads and writes: standard input, its output and its
// messages.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct CommandIO {
    std::FILE* in = stdin;
    std::FILE* out = stdout;
    std::FILE* err = stderr;

    void Out(std::string_view text) const { std::fwrite(text.data(), 1, text.size(), out); }
    void Err(std::string_view text) const { std::fwrite(text.data(), 1, text.size(), err); }
};

using Arguments = std::vector<std::string>;

// Exit statuses of tovfileio.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a file could not be read or written
constexpr int kExitUsage = 2;   // the command line itself is wrong
// Stopped by Ctrl-C taken as a cancel, with its work put in order first
// (128 + SIGINT, what a shell shows for a program Ctrl-C ends).
constexpr int kExitInterrupted = 130;

// Runs tovfileio with the arguments after the program name.
int RunTovfileio(const Arguments& args, const CommandIO& io);
