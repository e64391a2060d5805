// Runs tovfileio in-process and captures what it writes; and what the
// command-line tests share: the samples, hand-made TRC and HTR texts, a
// settings file of the test's own, variables of the environment, and a
// terminal to write to.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "brindle/host/registry/RegistryStore.h"
#include "cli/files/CommandIO.h"
#include "tests/support/TestFiles.h"

namespace tovtest {

inline const std::string kSamples = TOV_SOURCE_DIR "/samples/";
inline const std::string kWalkHtr = kSamples + "walk.htr";
inline const std::string kWalkTrc = kSamples + "walk.trc";

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// A stream written into memory.
class MemoryFile {
public:
    MemoryFile() : file_(open_memstream(&data_, &size_)) {}
    ~MemoryFile() {
        Text();
        std::free(data_);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    std::FILE* File() const { return file_; }
    // Closes the stream; what was written to it.
    std::string Text() {
        if (file_ != nullptr) std::fclose(std::exchange(file_, nullptr));
        return std::string(data_, size_);
    }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

// `input` is standard input (empty: an input that ends at once); without
// it the test's own.
inline CommandResult RunCommand(const Arguments& args,
                                std::optional<std::string> input = std::nullopt) {
    MemoryFile out, err;
    CommandIO io;
    io.out = out.File();
    io.err = err.File();
    if (input) {
        io.in = input->empty() ? std::fopen("/dev/null", "r")
                               : fmemopen(input->data(), input->size(), "r");
    }
    const int status = RunTovfileio(args, io);
    if (input) std::fclose(io.in);
    return {status, out.Text(), err.Text()};
}

// RunCommand, expected to end with `status` and to write `err` on standard
// error: exactly that text, or what a matcher such as HasSubstr accepts.
template <class Err>
CommandResult RunExpecting(const Arguments& args, int status, const Err& err,
                           std::optional<std::string> input = std::nullopt) {
    CommandResult run = RunCommand(args, std::move(input));
    std::string line;
    for (const std::string& arg : args) line += (line.empty() ? "" : " ") + arg;
    EXPECT_EQ(run.status, status) << line << "\n" << run.err;
    if constexpr (std::is_convertible_v<Err, std::string>) {
        EXPECT_EQ(run.err, std::string(err)) << line;
    } else {
        EXPECT_THAT(run.err, err) << line;
    }
    return run;
}

// RunCommand, expected to succeed.
inline CommandResult RunOk(const Arguments& args, std::optional<std::string> input = std::nullopt) {
    return RunExpecting(args, 0, ::testing::_, std::move(input));
}

// `args` followed by `more`.
inline Arguments With(Arguments args, const Arguments& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// `text` with its first `from` (or every one) replaced by `to`.
inline std::string Edited(std::string text, const std::string& from, const std::string& to,
                          bool every = false) {
    EXPECT_NE(text.find(from), std::string::npos) << from;
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = every ? text.find(from, at + to.size()) : std::string::npos) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Occurrences of `what` in `text`.
inline std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// A TRC file at 60 frames a second of the markers `names` from frame `start`:
// a data row of coordinate fields per entry of `rows` (a marker's three
// fields empty for a dropout), every time 0.
inline std::string TrcText(const std::vector<std::string>& names,
                           const std::vector<std::string>& rows, int start = 1) {
    const std::string frames = std::to_string(rows.size());
    std::string text = "PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\n"
                       "60\t60\t" + frames + "\t" + std::to_string(names.size()) + "\tmm\t60\t" +
                       std::to_string(start) + "\t" + frames + "\nFrame#\tTime";
    for (const std::string& name : names) text += "\t" + name + "\t\t";
    text += "\n\t";
    for (std::size_t m = 1; m <= names.size(); ++m) {
        text += "\tX" + std::to_string(m) + "\tY" + std::to_string(m) + "\tZ" + std::to_string(m);
    }
    text += "\n\n";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        text += std::to_string(start + static_cast<int>(i)) + "\t0\t" + rows[i] + "\n";
    }
    return text;
}

// An HTR file at 30 frames a second of segment A (and B, its child, when
// `segments` is 2) with `frames` frames of no motion numbered from `first`,
// of which the header claims `claimed` (0: all). Line 8 is the rotation
// order, line 14 A's place in the hierarchy.
inline std::string HtrText(int segments, int first, int frames, int claimed = 0) {
    std::string text = "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments " +
                       std::to_string(segments) + "\nNumFrames " +
                       std::to_string(claimed > 0 ? claimed : frames) +
                       "\nDataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits mm\n"
                       "RotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\n"
                       "[SegmentNames&Hierarchy]\nA GLOBAL\n" +
                       std::string(segments == 2 ? "B A\n" : "") + "[BasePosition]\n" +
                       "A 0 0 0 0 0 0 100\n" + (segments == 2 ? "B 0 100 0 0 0 0 50\n" : "");
    for (int s = 0; s < segments; ++s) {
        text += s == 0 ? "[A]\n" : "[B]\n";
        for (int i = 0; i < frames; ++i) text += std::to_string(first + i) + " 0 0 0 0 0 0 1\n";
    }
    return text + "[EndOfFile]\n";
}

// A variable of the environment set to `value` (null: unset) while it
// lives, as it was after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* before = std::getenv(name)) before_ = before;
        value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { before_ ? ::setenv(name_, before_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> before_;
};

// A pseudo-terminal that shows bytes as written (no line-end translation).
class Terminal {
public:
    Terminal() : master_(::posix_openpt(O_RDWR | O_NOCTTY)) {
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        file_ = std::fopen(::ptsname(master_), "w");
        termios modes{};
        if (file_ != nullptr && ::tcgetattr(::fileno(file_), &modes) == 0) {
            modes.c_oflag &= ~OPOST;
            ::tcsetattr(::fileno(file_), TCSANOW, &modes);
        }
    }
    ~Terminal() {
        if (file_ != nullptr) std::fclose(file_);
        if (master_ >= 0) ::close(master_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    // Where to write; null when no pseudo-terminal can be had here.
    std::FILE* File() const { return file_; }
    // Closes the terminal side; what was written there.
    std::string Shown() {
        std::fclose(file_);
        file_ = nullptr;
        std::string shown;
        char buffer[4096];
        ::fcntl(master_, F_SETFL, O_NONBLOCK);
        for (ssize_t got; (got = ::read(master_, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(got));
        }
        return shown;
    }

private:
    int master_;
    std::FILE* file_ = nullptr;
};

// A scratch folder; and the host's settings kept in a file of the test's
// own while it lives (in a folder apart), so that options a dialog
// remembered in another test cannot change its runs. The store file found
// before is used again after.
class CliTest : public ::testing::Test {
protected:
    CliTest() { brindle::host::RegistryStore::Instance().UseFile(Settings()); }
    ~CliTest() override { brindle::host::RegistryStore::Instance().UseFile(before_); }

    std::string Path(const std::string& name) const { return (dir_.Path() / name).string(); }
    std::string Write(const std::string& name, std::string_view bytes) const {
        return dir_.Write(name, bytes).string();
    }
    std::string Settings() const { return (settingsDir_.Path() / "registry.reg").string(); }
    // What `command` makes of `args` with -o a new file of `extension` (empty
    // when it fails); its messages in `err`.
    std::string Made(const std::string& command, const Arguments& args, const std::string& extension,
                     std::string* err = nullptr) {
        const std::string out = Path("made" + std::to_string(++made_) + extension);
        const auto run = RunOk(With(With({command}, args), {"-o", out}));
        if (err != nullptr) *err = run.err;
        return run.status == 0 ? ReadBytes(out) : std::string();
    }

    ScratchDir dir_;

private:
    ScratchDir settingsDir_;
    int made_ = 0;
    const std::string before_ = brindle::host::RegistryStore::Instance().FilePath();
};

}  // namespace tovtest
