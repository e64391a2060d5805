// Where a write goes: the file at the end of a path's symbolic links.
#include "tovfileio/text/TextWriter.h"

#include <cerrno>
#include <climits>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace tovfileio {
namespace {

// As many links as the system follows in one path before it gives up.
constexpr int kMostLinks = 40;

}  // namespace

bool FollowLinks(const std::string& path, std::string& target, int& error) {
    target = path;
    for (int links = 0; links <= kMostLinks; ++links) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        if (links == kMostLinks) break;
        char next[PATH_MAX];
        const ssize_t n = ::readlink(target.c_str(), next, sizeof next);
        // Gone since the look: the path is opened as it stands.
        if (n <= 0) return true;
        if (static_cast<std::size_t>(n) == sizeof next) {
            error = ENAMETOOLONG;
            target.clear();
            return false;
        }
        const std::string_view to(next, static_cast<std::size_t>(n));
        // A relative link is read from the folder it stands in.
        const std::size_t slash = target.rfind('/');
        const std::size_t from = to.front() == '/' || slash == std::string::npos ? 0 : slash + 1;
        target.replace(from, std::string::npos, to);
    }
    error = ELOOP;
    target.clear();
    return false;
}

}  // namespace tovfileio
