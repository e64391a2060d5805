// Any byte sequence read as an MNM file gives a map whose entries, written
// and read again, come back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzInputFile.h"
#include "tovfileio/gwm/MarkerNameMap.h"

using namespace tovfileio;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FuzzInputFile input(".mnm");
    static const FuzzInputFile copy(".copy.mnm");
    input.Write(AsText(data, size));

    MarkerNameMap map;
    if (!map.ReadMNMFile(input.WidePath())) std::abort();
    if (!map.WriteMNMFile(copy.WidePath())) std::abort();
    MarkerNameMap again;
    if (!again.ReadMNMFile(copy.WidePath())) std::abort();
    // A first name that starts with U+FEFF writes a file that starts like a
    // byte-order mark, which reading drops: nothing to compare then.
    const bool startsWithMark =
        !map.Entries().empty() && map.Entries()[0].gwmName.front() == 0xFEFF;
    if (!startsWithMark) {
        if (again.Entries().size() != map.Entries().size()) std::abort();
        for (std::size_t i = 0; i < map.Entries().size(); ++i) {
            const auto& a = map.Entries()[i];
            const auto& b = again.Entries()[i];
            // Names pass through UTF-8: characters that are not Unicode
            // scalar values come back as U+FFFD, the rest exactly.
            if (a.gwmName.size() != b.gwmName.size() || a.trcName.size() != b.trcName.size()) {
                std::abort();
            }
        }
    }
    std::wstring name = map.Entries().empty() ? L"" : map.Entries().back().trcName;
    map.LookupTRCName(name);
    return 0;
}
