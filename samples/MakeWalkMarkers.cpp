// walk_markers: the marker sample made from the skeleton sample.
//   walk_markers samples/walk.htr samples/walk.trc
// reads the skeleton with the HTR reader and writes the markers that ride
// on it (samples/WalkMarkers.h) as a TRC file.
#include <cstdio>
#include <string>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/htr/HTRFile.h"
#include "WalkMarkers.h"

using namespace tovfileio;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: walk_markers IN.htr OUT.trc\n", stderr);
        return 2;
    }
    HTRFile skeleton;
    const std::wstring message = skeleton.Read(tovfileio::PathToWide(argv[1]));
    if (!message.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], tovfileio::EncodeUtf8(message).c_str());
        return 1;
    }
    const std::string out = argv[2];
    const std::size_t slash = out.find_last_of('/');
    const std::string name = slash == std::string::npos ? out : out.substr(slash + 1);
    std::string trc, error;
    if (!tovsamples::WalkMarkersTrc(skeleton, name, trc, error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr || std::fwrite(trc.data(), 1, trc.size(), file) != trc.size() ||
        std::fclose(file) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
