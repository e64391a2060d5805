// The ".reg" text format of the registry store: writing it, and reading it
// back as far as it is valid.
#include <algorithm>
#include <cerrno>
#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brindle/host/registry/RegistryStore.h"
#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brindle::host {
namespace {

const wchar_t kHeader[] = L"Windows Registry Editor Version 5.00";
const wchar_t kRoot[] = L"HKEY_CURRENT_USER";

void AppendQuoted(std::wstring& out, std::wstring_view text) {
    out += L'"';
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    out += L'"';
}

void AppendHexBytes(std::wstring& out, const std::vector<BYTE>& data) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) out += L',';
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0xF];
    }
}

// The text of a string value, when its bytes are exactly a UTF-16 string
// and its terminating null with nothing the quoted form cannot carry.
std::optional<std::wstring> PlainString(const std::vector<BYTE>& data) {
    if (data.size() < 2 || data.size() % 2 != 0) return std::nullopt;
    std::wstring text;
    const std::size_t units = data.size() / 2 - 1;
    auto unit = [&data](std::size_t i) {
        return static_cast<std::uint32_t>(data[2 * i] | (data[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            text += static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
            continue;
        }
        if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        text += static_cast<wchar_t>(c);
    }
    if (data[data.size() - 2] != 0 || data[data.size() - 1] != 0) return std::nullopt;
    return text;
}

void AppendValue(std::wstring& out, const std::wstring& name, const RegistryValue& value) {
    if (name.empty()) {
        out += L'@';
    } else {
        AppendQuoted(out, name);
    }
    out += L'=';
    if (value.type == REG_SZ) {
        if (const auto text = PlainString(value.data)) {
            AppendQuoted(out, *text);
            out += L'\n';
            return;
        }
    }
    if (value.type == REG_DWORD && value.data.size() == 4) {
        wchar_t digits[16];
        const std::uint32_t number = value.data[0] | (value.data[1] << 8) |
                                     (value.data[2] << 16) |
                                     (static_cast<std::uint32_t>(value.data[3]) << 24);
        std::swprintf(digits, 16, L"dword:%08x", number);
        out += digits;
    } else if (value.type == REG_BINARY) {
        out += L"hex:";
        AppendHexBytes(out, value.data);
    } else {
        wchar_t prefix[24];
        std::swprintf(prefix, 24, L"hex(%x):", static_cast<unsigned>(value.type));
        out += prefix;
        AppendHexBytes(out, value.data);
    }
    out += L'\n';
}

void AppendKeyLines(std::wstring& out, const std::wstring& path, const RegistryKey& key) {
    out += L'[';
    out += path;
    out += L"]\n";
    for (const auto& [name, value] : key.values) AppendValue(out, name, value);
    out += L'\n';
}

// --- Reading -------------------------------------------------------------

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    }
    return true;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Reads a quoted string at the start of `text`; false when it does not close.
bool ReadQuoted(std::wstring_view& text, std::wstring& out) {
    if (text.empty() || text.front() != L'"') return false;
    out.clear();
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == L'\\' && i + 1 < text.size()) {
            out += text[++i];
        } else if (text[i] == L'"') {
            text.remove_prefix(i + 1);
            return true;
        } else {
            out += text[i];
        }
    }
    return false;
}

// Reads "aa,bb,..." to the end of `text`; false on anything else.
bool ReadHexBytes(std::wstring_view text, std::vector<BYTE>& data) {
    while (!text.empty()) {
        std::size_t digits = 0;
        int byte = 0;
        while (digits < text.size() && digits < 2 && HexDigit(text[digits]) >= 0) {
            byte = byte * 16 + HexDigit(text[digits]);
            ++digits;
        }
        if (digits == 0) return false;
        data.push_back(static_cast<BYTE>(byte));
        text.remove_prefix(digits);
        if (text.empty()) break;
        if (text.front() != L',') return false;
        text.remove_prefix(1);
        if (text.empty()) return false;
    }
    return true;
}

// Parses the data part of a value line (after "="); false when invalid.
bool ReadValueData(std::wstring_view text, RegistryValue& value) {
    value.data.clear();
    if (!text.empty() && text.front() == L'"') {
        std::wstring string;
        if (!ReadQuoted(text, string) || !text.empty()) return false;
        value.type = REG_SZ;
        const std::string bytes = TextCodec::EncodeUtf16LENullTerminated(string);
        value.data.assign(bytes.begin(), bytes.end());
        return true;
    }
    if (text.substr(0, 6) == L"dword:") {
        text.remove_prefix(6);
        if (text.empty() || text.size() > 8) return false;
        std::uint32_t number = 0;
        for (wchar_t c : text) {
            if (HexDigit(c) < 0) return false;
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(c));
        }
        value.type = REG_DWORD;
        for (int shift = 0; shift < 32; shift += 8) {
            value.data.push_back(static_cast<BYTE>((number >> shift) & 0xFF));
        }
        return true;
    }
    if (text.substr(0, 4) == L"hex:") {
        value.type = REG_BINARY;
        return ReadHexBytes(text.substr(4), value.data);
    }
    if (text.substr(0, 4) == L"hex(") {
        const std::size_t close = text.find(L"):");
        if (close == std::wstring_view::npos || close == 4 || close > 12) return false;
        DWORD type = 0;
        for (wchar_t c : text.substr(4, close - 4)) {
            if (HexDigit(c) < 0) return false;
            type = type * 16 + static_cast<DWORD>(HexDigit(c));
        }
        value.type = type;
        return ReadHexBytes(text.substr(close + 2), value.data);
    }
    return false;
}

// What reading has reached: the key values go to (null before any key and
// under keys outside the current user's tree, whose values are passed
// over), and the most bytes the tree read so far can take to write, kept
// within the file size limit, so that whatever reads whole also saves.
struct ReadState {
    RegistryKey& root;
    RegistryKey* key = nullptr;
    bool inOtherRoot = false;
    std::size_t writeBound = 64;  // the header and the root's line
    bool beyondLimits = false;    // a valid line stopped the reading at a limit
    // The last key line's path below the root, where each of its names ends
    // and the key each leads to: a line that goes on from it, as each key of
    // a saved file does from its parent's, walks only its own names.
    std::wstring lastPath{};
    std::vector<std::size_t> lastEnds{};
    std::vector<RegistryKey*> lastKeys{};
};

// How many names `path` begins with that the last key line began with too,
// letter for letter, the deepest followed by another name or by the path's
// end. Those whose text is the same are a run from the first: one compare
// when the line goes on from the last, a few when it leaves it.
std::size_t SharedLevels(std::wstring_view path, const ReadState& state) {
    const std::wstring_view last = state.lastPath;
    const std::vector<std::size_t>& ends = state.lastEnds;
    auto same = [&](std::size_t end) {
        return end <= path.size() && path.compare(0, end, last.substr(0, end)) == 0;
    };
    std::size_t levels = ends.size();
    if (levels != 0 && !same(ends.back())) {
        levels = static_cast<std::size_t>(std::partition_point(ends.begin(), ends.end(), same) - ends.begin());
    }
    // Every shallower name is followed by a backslash in both, and by a name.
    if (levels != 0) {
        const std::size_t end = ends[levels - 1];
        if (end != path.size() && !(end + 1 < path.size() && path[end] == L'\\')) --levels;
    }
    return levels;
}

// Makes `path`, just read into `key`, the last key line, its first `shared`
// names as they were.
void RememberKeyLine(std::wstring_view path, std::size_t shared, ReadState& state) {
    state.lastPath.assign(path);
    state.lastEnds.resize(shared);
    state.lastKeys.resize(shared);
    RegistryKey* key = shared == 0 ? &state.root : state.lastKeys.back();
    std::size_t from = shared == 0 ? 0 : state.lastEnds.back() + 1;
    while (from < path.size()) {
        const std::size_t end = std::min(path.find(L'\\', from), path.size());
        key = key->subkeys.find(std::wstring(path.substr(from, end - from)))->second.get();
        state.lastEnds.push_back(end);
        state.lastKeys.push_back(key);
        from = end + 1;
    }
}

// Whether the key path `path` is well formed (no empty name) but more
// levels deep than the store keeps.
bool TooDeep(std::wstring_view path) {
    std::size_t levels = 1;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != L'\\') continue;
        if (i == 0 || i + 1 == path.size() || path[i - 1] == L'\\') return false;
        ++levels;
    }
    return levels > kRegKeyMaxDepth;
}

// The most bytes a value can take to write: its name quoted (four bytes a
// character at most in UTF-8, two for an escaped one), its type, and no
// more than three characters per byte of data, in hex or as text.
std::size_t ValueWriteBound(const std::wstring& name, const RegistryValue& value) {
    return 4 * name.size() + 3 * value.data.size() + 24;
}

bool ReadKeyLine(std::wstring_view line, ReadState& state) {
    if (line.back() != L']') return false;
    const std::wstring_view path = line.substr(1, line.size() - 2);
    const std::wstring_view rootName = path.substr(0, path.find(L'\\'));
    if (!EqualsNoCase(rootName, kRoot)) {
        if (rootName.empty() || rootName.front() == L'-') return false;
        state.key = nullptr;
        state.inOtherRoot = true;
        return true;
    }
    state.inOtherRoot = false;
    if (rootName.size() == path.size()) {
        state.key = &state.root;
        return true;
    }
    // Each key made here is written with a path no longer than this one;
    // the bound is checked before any is made, so a refused line adds none.
    const std::wstring_view below = path.substr(rootName.size() + 1);
    const std::size_t shared = SharedLevels(below, state);
    RegistryKey& from = shared == 0 ? state.root : *state.lastKeys[shared - 1];
    const std::wstring_view rest =
        shared == 0 ? below : below.substr(std::min(below.size(), state.lastEnds[shared - 1] + 1));
    state.writeBound += MissingKeys(from, rest) * (4 * line.size() + 2);
    if (state.writeBound > kRegFileMaxBytes) {
        state.beyondLimits = true;
        return false;
    }
    state.key = CreateKeyPath(from, rest, shared);
    if (state.key == nullptr) {
        state.beyondLimits = TooDeep(below);
        return false;
    }
    RememberKeyLine(below, shared, state);
    return true;
}

// Handles one logical line (continuations joined); false when invalid or
// beyond the limits.
bool ReadRegLine(std::wstring_view line, ReadState& state) {
    if (line.empty()) return true;
    if (line.front() == L'[') return ReadKeyLine(line, state);
    std::wstring name;
    if (line.front() == L'@') {
        line.remove_prefix(1);
    } else if (!ReadQuoted(line, name)) {
        return false;
    }
    if (line.empty() || line.front() != L'=') return false;
    line.remove_prefix(1);
    if (state.key == nullptr) return state.inOtherRoot;
    if (line == L"-") {
        state.key->values.erase(name);
        return true;
    }
    RegistryValue value;
    if (!ReadValueData(line, value)) return false;
    state.writeBound += ValueWriteBound(name, value);
    if (state.writeBound > kRegFileMaxBytes) {
        state.beyondLimits = true;
        return false;
    }
    state.key->values[name] = std::move(value);
    return true;
}

// Reads the regular file open as `fd`, up to one byte beyond the limit;
// false with errno set when a read fails.
bool ReadWhole(int fd, std::string& bytes) {
    char buffer[65536];
    while (bytes.size() <= kRegFileMaxBytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string FormatRegFile(const RegistryKey& currentUser, std::size_t* deepest) {
    std::wstring text = kHeader;
    text += L"\n\n";
    struct Pending {
        const RegistryKey* key;
        std::wstring path;
        std::size_t depth;
    };
    // Depth first, subkeys in order: each key's lines, then its subkeys'.
    std::vector<Pending> pending{{&currentUser, kRoot, 0}};
    std::size_t maxDepth = 0;
    while (!pending.empty()) {
        const Pending at = std::move(pending.back());
        pending.pop_back();
        maxDepth = std::max(maxDepth, at.depth);
        AppendKeyLines(text, at.path, *at.key);
        for (auto it = at.key->subkeys.rbegin(); it != at.key->subkeys.rend(); ++it) {
            pending.push_back({it->second.get(), at.path + L'\\' + it->second->name, at.depth + 1});
        }
    }
    if (deepest != nullptr) *deepest = maxDepth;
    return TextCodec::EncodeUtf8(text);
}

RegFileStatus ReadRegText(std::string_view bytes, RegistryKey& currentUser) {
    RegFileStatus status;
    status.found = true;
    TextFile::Reader reader;
    reader.OpenMemory(bytes);
    const std::wstring* line = reader.ReadLine();
    if (line == nullptr) {
        status.complete = true;  // an empty file holds an empty registry
        return status;
    }
    if (*line != kHeader) return status;
    ReadState state{currentUser};
    // A line ending in a backslash goes on in the next one (long hex data);
    // the blanks that indent a line are not part of it.
    std::wstring logical;
    bool continued = false;
    while ((line = reader.ReadLine()) != nullptr) {
        std::wstring_view part(*line);
        while (!part.empty() && (part.front() == L' ' || part.front() == L'\t')) {
            part.remove_prefix(1);
        }
        logical += part;
        continued = !logical.empty() && logical.back() == L'\\' && logical.front() != L'[';
        if (continued) {
            logical.pop_back();
            continue;
        }
        if (!ReadRegLine(logical, state)) {
            status.beyondLimits = state.beyondLimits;
            return status;
        }
        logical.clear();
    }
    status.complete = !continued;
    return status;
}

RegFileStatus ReadRegFile(const std::string& path, RegistryKey& currentUser) {
    RegFileStatus status;
    // Without blocking, so that a FIFO at the path is found and left alone.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // No file (or no folder): an empty registry.
        if (errno == ENOENT || errno == ENOTDIR) return status;
        status.found = true;
        status.error = errno;
        return status;
    }
    struct stat info {};
    std::string bytes;
    status.found = true;
    if (::fstat(fd, &info) != 0) {
        status.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        status.regular = false;
    } else if (!ReadWhole(fd, bytes)) {
        status.error = errno;
    }
    ::close(fd);
    if (status.error != 0 || !status.regular) return status;
    const bool tooLarge = bytes.size() > kRegFileMaxBytes;
    if (tooLarge) {
        // Only whole lines: a line cut short could read as another value.
        const std::size_t lastEnd = bytes.rfind('\n', kRegFileMaxBytes - 1);
        bytes.resize(lastEnd == std::string::npos ? 0 : lastEnd + 1);
    }
    status = ReadRegText(bytes, currentUser);
    if (tooLarge) {
        // Valid up to the cut: a file larger than the store keeps.
        status.beyondLimits = status.beyondLimits || status.complete;
        status.complete = false;
    }
    return status;
}

}  // namespace brindle::host
