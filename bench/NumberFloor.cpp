#include "bench/NumberFloor.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace tovfloor {
namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

ParseResult ParseNumbers(const std::string& path, std::vector<char>& buffer,
                         std::vector<double>* values) {
    ParseResult result;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return result;
    result.opened = true;
    buffer.resize(kBufferBytes);
    std::size_t kept = 0;  // bytes of an unfinished field carried to the front
    for (;;) {
        const std::size_t wanted = buffer.size() - kept;
        const std::size_t got = std::fread(buffer.data() + kept, 1, wanted, file);
        result.bytes += got;
        const bool atEnd = got < wanted;
        const char* p = buffer.data();
        const char* const end = p + kept + got;
        // Fields are converted up to the last separator; the unfinished one
        // after it waits for the next read (a field longer than the buffer is
        // cut, which no motion file has).
        const char* limit = end;
        if (!atEnd) {
            while (limit > p && !IsSeparator(limit[-1]))
                --limit;
            if (limit == p)
                limit = end;
        }
        while (p < limit) {
            while (p < limit && IsSeparator(*p))
                ++p;
            if (p == limit)
                break;
            // from_chars finds the end of a number itself; only what follows
            // it in the same field (nothing, in a motion file) is scanned.
            double value = 0.0;
            const auto converted = std::from_chars(p, limit, value);
            if (converted.ec == std::errc()) {
                ++result.numbers;
                result.sum += value;
                if (values != nullptr)
                    values->push_back(value);
                p = converted.ptr;
            }
            while (p < limit && !IsSeparator(*p))
                ++p;
        }
        kept = static_cast<std::size_t>(end - limit);
        if (kept != 0)
            std::memmove(buffer.data(), limit, kept);
        if (atEnd)
            break;
    }
    std::fclose(file);
    return result;
}

std::uint64_t WriteNumbers(const std::string& path, const std::vector<double>& values,
                           std::vector<char>& buffer) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::setvbuf(file, nullptr, _IONBF, 0);
    buffer.resize(kBufferBytes);
    // Room for the longest value: 309 integer digits, sign, point, decimals.
    constexpr std::size_t kRoom = 330;
    char* const begin = buffer.data();
    char* const flushAt = begin + buffer.size() - kRoom;
    char* out = begin;
    std::uint64_t written = 0;
    bool ok = true;
    for (const double value : values) {
        out = std::to_chars(out, out + kRoom, value, std::chars_format::fixed, 6).ptr;
        *out++ = '\t';
        if (out >= flushAt) {
            ok = ok && std::fwrite(begin, 1, static_cast<std::size_t>(out - begin), file) ==
                           static_cast<std::size_t>(out - begin);
            written += static_cast<std::uint64_t>(out - begin);
            out = begin;
        }
    }
    ok = ok && std::fwrite(begin, 1, static_cast<std::size_t>(out - begin), file) ==
                   static_cast<std::size_t>(out - begin);
    written += static_cast<std::uint64_t>(out - begin);
    ok = std::fclose(file) == 0 && ok;
    return ok ? written : 0;
}

}  // namespace tovfloor
