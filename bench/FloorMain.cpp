// bench_floor: the cost floors as a program of their own, for instruction
// counts under callgrind next to `tovfileio info` and `tovfileio convert`.
//   bench_floor FILE        converts every number of FILE (the reader floor)
//   bench_floor FILE OUT    also writes those numbers to OUT (the writer floor)
#include <cstdio>
#include <string>
#include <vector>

#include "bench/NumberFloor.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fputs("usage: bench_floor FILE [OUT]\n", stderr);
        return 2;
    }
    std::vector<char> buffer;
    std::vector<double> values;
    const tovfloor::ParseResult parsed =
        tovfloor::ParseNumbers(argv[1], buffer, argc == 3 ? &values : nullptr);
    if (!parsed.opened) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%llu bytes, %llu numbers, sum %.17g\n",
                static_cast<unsigned long long>(parsed.bytes),
                static_cast<unsigned long long>(parsed.numbers), parsed.sum);
    if (argc == 3) {
        const std::uint64_t written = tovfloor::WriteNumbers(argv[2], values, buffer);
        if (written == 0 && !values.empty()) {
            std::perror(argv[2]);
            return 1;
        }
        std::printf("%llu bytes written\n", static_cast<unsigned long long>(written));
    }
    return 0;
}
