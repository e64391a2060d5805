// tov_gen: writes synthetic motion-capture files.
//   tov_gen htr [--segments N] [--frames N] [--rate N] [--seed N] [--shape S] OUT
//   tov_gen trc [--markers N] [--rows N] [--rate N] [--seed N] [--dropout-rate R]
//               [--occlusion-rows N] [--row-fields N] OUT
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/DataGen.h"

namespace {

int Usage() {
    std::fputs("usage: tov_gen htr [--segments N] [--frames N] [--rate N] [--seed N]\n"
               "                   [--shape human|chain|wide] OUT\n"
               "       tov_gen trc [--markers N] [--rows N] [--rate N] [--seed N]\n"
               "                   [--dropout-rate R] [--occlusion-rows N] [--row-fields N] OUT\n"
               "R is the share of samples, 0 to 1, that drop out (default 0.005).\n"
               "--occlusion-rows keeps a marker unseen for N rows once it drops out.\n"
               "--row-fields keeps the first N fields of each data row (2: only the\n"
               "frame number and time), the rest trimmed.\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const std::string kind = argv[1];
    if (kind != "htr" && kind != "trc") return Usage();
    tovgen::HtrOptions options;
    tovgen::TrcOptions trcOptions;
    const char* out = nullptr;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--segments" && hasValue) {
            options.segments = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--shape" && hasValue) {
            const std::string shape = argv[++i];
            if (shape == "human") {
                options.shape = tovgen::HtrShape::kHuman;
            } else if (shape == "chain") {
                options.shape = tovgen::HtrShape::kChain;
            } else if (shape == "wide") {
                options.shape = tovgen::HtrShape::kWide;
            } else {
                return Usage();
            }
        } else if (arg == "--frames" && hasValue) {
            options.frames = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--markers" && hasValue) {
            trcOptions.markers = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--rows" && hasValue) {
            trcOptions.rows = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--row-fields" && hasValue) {
            trcOptions.rowFields = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--rate" && hasValue) {
            options.frameRate = static_cast<std::int32_t>(std::strtol(argv[++i], nullptr, 10));
            trcOptions.dataRate = options.frameRate;
        } else if (arg == "--dropout-rate" && hasValue) {
            char* end = nullptr;
            trcOptions.dropoutRate = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(trcOptions.dropoutRate >= 0.0 && trcOptions.dropoutRate <= 1.0)) {
                return Usage();
            }
        } else if (arg == "--occlusion-rows" && hasValue) {
            trcOptions.occlusionRows = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--seed" && hasValue) {
            options.seed = std::strtoull(argv[++i], nullptr, 10);
            trcOptions.seed = options.seed;
        } else if (arg[0] != '-' && out == nullptr) {
            out = argv[i];
        } else {
            return Usage();
        }
    }
    if (out == nullptr) return Usage();
    const std::string text =
        kind == "htr" ? tovgen::GenerateHtr(options) : tovgen::GenerateTrc(trcOptions);
    std::FILE* file = std::fopen(out, "wb");
    if (file == nullptr) {
        std::perror(out);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(out);
        return 1;
    }
    return 0;
}
