// walk_skeleton: the skeleton sample.
//   walk_skeleton samples/walk.htr
#include <cstdio>
#include <string>

#include "WalkSkeleton.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: walk_skeleton OUT.htr\n", stderr);
        return 2;
    }
    const std::string htr = tovsamples::WalkSkeletonHtr();
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr || std::fwrite(htr.data(), 1, htr.size(), file) != htr.size() ||
        std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
