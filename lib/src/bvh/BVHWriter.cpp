// WriteBVHFile: the model's hierarchy depth first, then one line a frame.
#include "tovfileio/bvh/BVHWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "LineWriter.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

namespace {

constexpr double kRadiansToDegrees = 57.29577951308232;
// Deeper joints are indented no further, so a long chain of joints keeps
// the file's size in proportion to the joints.
constexpr std::uint32_t kDeepestIndent = 32;
// Room for an End Site value in fixed notation; a longer one (beyond 1e40,
// or a tiny one) takes an exponent.
constexpr std::size_t kExactRoom = 64;

const wchar_t kNoSegments[] = L"No segments to write";
const wchar_t kDuplicateSegment[] = L"The scene hierarchy has duplicate segment names: ";
const wchar_t kNameNotHeld[] = L"A BVH file cannot hold this segment name: ";
const wchar_t kLoop[] = L"The hierarchy loops: this segment is its own ancestor: ";
const wchar_t kRateTooLow[] = L"The frame rate must be 1 or more to write a BVH file";
const wchar_t kNotWritten[] = L"The file could not be written";
const wchar_t kOutOfMemory[] = L"There is not enough memory to write the file";

// Whether a reader splitting on blanks and braces reads the name back whole.
bool NameHeld(std::wstring_view name) {
    return !name.empty() && name.find_first_of(L" \t\r\n\v\f{}") == name.npos;
}

// One joint as written: its segment, its depth and its channels.
struct Joint {
    const HTRSegment* segment = nullptr;
    std::uint32_t depth = 0;
    bool root = false;       // written as ROOT: positions absolute, OFFSET 0
    bool positions = false;  // has position channels
    bool leaf = false;       // ends in an End Site
};

// The joints in the order a BVH file lists them, parents before children,
// children in list order; an empty list when some segment is never reached
// from a segment without parent, with `unreached` set to it.
std::vector<Joint> DepthFirst(const HTRFile& htr, const HTRSegment*& unreached) {
    const std::uint32_t count = htr.SegmentCount();
    std::unordered_map<const HTRSegment*, std::uint32_t> indexOf;
    for (std::uint32_t i = 0; i < count; ++i) indexOf.emplace(htr.Segment(i), i);
    std::vector<std::vector<std::uint32_t>> children(count);
    std::vector<std::uint32_t> tops;
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto parent = indexOf.find(htr.Segment(i)->GetParent());
        if (parent == indexOf.end()) {
            tops.push_back(i);
        } else {
            children[parent->second].push_back(i);
        }
    }
    std::vector<Joint> joints;
    joints.reserve(count);
    std::vector<bool> written(count, false);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pending;  // segment, depth
    for (auto top = tops.rbegin(); top != tops.rend(); ++top) pending.emplace_back(*top, 0);
    while (!pending.empty()) {
        const auto [s, depth] = pending.back();
        pending.pop_back();
        if (written[s]) continue;
        written[s] = true;
        joints.push_back(Joint{htr.Segment(s), depth, depth == 0, false, children[s].empty()});
        for (auto child = children[s].rbegin(); child != children[s].rend(); ++child) {
            pending.emplace_back(*child, depth + 1);
        }
    }
    if (joints.size() != count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            if (!written[i]) {
                unreached = htr.Segment(i);
                break;
            }
        }
        joints.clear();
    }
    return joints;
}

// The tabs before a line at `depth`.
LineWriter& Indent(LineWriter& out, std::uint32_t depth) {
    return out.Tabs(std::min(depth, kDeepestIndent));
}

// Writes ` value` in the fewest digits that read back as the same number,
// without an exponent where they fit in kExactRoom characters.
LineWriter& ExactField(LineWriter& out, double value) {
    char digits[kExactRoom];
    auto written = std::to_chars(digits, digits + kExactRoom, value, std::chars_format::fixed);
    if (written.ec != std::errc()) written = std::to_chars(digits, digits + kExactRoom, value);
    return out.Text(" ").Text(std::string_view(digits, written.ptr));
}

// An End Site at `tip`, its values in the fewest digits that read back as
// they are when `exact`, else with the file's decimals.
void WriteEndSite(const TOVVector3<double>& tip, bool exact, std::uint32_t depth,
                  LineWriter& out) {
    Indent(out, depth).Line("End Site");
    Indent(out, depth).Line("{");
    Indent(out, depth + 1).Text("OFFSET");
    for (int c = 0; c < 3; ++c) {
        if (exact) {
            ExactField(out, tip[c]);
        } else {
            out.Field(tip[c]);
        }
    }
    out.End();
    Indent(out, depth).Line("}");
}

void OpenJoint(const Joint& joint, LineWriter& out) {
    const std::uint32_t d = joint.depth;
    Indent(out, d).Text(joint.root ? "ROOT " : "JOINT ").Name(joint.segment->Name()).End();
    Indent(out, d).Line("{");
    const TOVVector3<double> offset =
        joint.root ? TOVVector3<double>() : joint.segment->BaseTranslation();
    Indent(out, d + 1).Text("OFFSET").Field(offset.x()).Field(offset.y()).Field(offset.z()).End();
    Indent(out, d + 1)
        .Text(joint.positions ? "CHANNELS 6 Xposition Yposition Zposition " : "CHANNELS 3 ")
        .Line("Zrotation Yrotation Xrotation");
}

// Ends a joint's block after its child joints: its End Sites, then the brace.
void CloseJoint(const Joint& joint, LineWriter& out) {
    const HTRSegment& segment = *joint.segment;
    const std::uint32_t d = joint.depth;
    if (segment.EndSitesGiven()) {
        for (std::uint32_t i = 0; i < segment.EndSiteCount(); ++i) {
            WriteEndSite(segment.EndSite(i), true, d + 1, out);
        }
    } else if (joint.leaf) {
        WriteEndSite(TOVVector3<double>(0.0, segment.GetBoneLength(), 0.0), false, d + 1, out);
    }
    Indent(out, d).Line("}");
}

void WriteHierarchy(const std::vector<Joint>& joints, LineWriter& out) {
    out.Line("HIERARCHY");
    // The joints whose blocks are still open, one a depth from 0.
    std::vector<const Joint*> open;
    for (const Joint& joint : joints) {
        while (open.size() > joint.depth) {
            CloseJoint(*open.back(), out);
            open.pop_back();
        }
        OpenJoint(joint, out);
        open.push_back(&joint);
    }
    while (!open.empty()) {
        CloseJoint(*open.back(), out);
        open.pop_back();
    }
}

// What a joint's position channels hold at frame f: a root's whole
// translation; below a root, its frame translation, or at a frame beyond
// its own minus its OFFSET, so it stands at its parent's origin as the
// model reads such a frame.
TOVVector3<double> PositionChannels(const Joint& joint, std::uint32_t f) {
    const HTRSegment& segment = *joint.segment;
    if (joint.root) return segment.FrameTranslationAbsolute(f);
    if (f >= segment.FrameCount()) {
        const TOVVector3<double> base = segment.BaseTranslation();
        return TOVVector3<double>(-base.x(), -base.y(), -base.z());
    }
    TOVVector3<double> t;
    segment.GetFrameTranslation(f, t[0], t[1], t[2]);
    return t;
}

void WriteMotion(const HTRFile& htr, const std::vector<Joint>& joints, LineWriter& out) {
    const std::uint32_t frames = htr.GetNumFrames();
    out.Line("MOTION");
    out.Text("Frames: ").Int(frames).End();
    char digits[32];
    const auto timed = std::to_chars(digits, digits + sizeof digits,
                                     1.0 / htr.GetDataFrameRate(), std::chars_format::general, 12);
    out.Text("Frame Time: ").Text(std::string_view(digits, timed.ptr)).End();
    TOVEulerRotation<double> zyx(0.0, 0.0, 0.0, TOVEulerOrder(0));
    for (std::uint32_t f = 0; f < frames; ++f) {
        // The frame's values, parted by blanks.
        bool first = true;
        const auto value = [&out, &first](double v) {
            if (first) {
                out.Fixed(v, 6);
                first = false;
            } else {
                out.Field(v);
            }
        };
        for (const Joint& joint : joints) {
            const HTRSegment& segment = *joint.segment;
            if (joint.positions) {
                const TOVVector3<double> t = PositionChannels(joint, f);
                for (int c = 0; c < 3; ++c) value(t[c]);
            }
            // Order code 0 is Z, Y, X about rotating axes: angles (x, y, z).
            zyx.SetFromMatrix(TOVRotationMatrix3<double>(segment.FrameRotationAbsolute(f)));
            for (int c = 2; c >= 0; --c) value(zyx.angles[c] * kRadiansToDegrees);
        }
        out.End();
    }
}

}  // namespace

std::wstring WriteBVHFile(const std::wstring& path, const HTRFile& skeleton,
                          BVHWriteNotes* notes) {
    try {
        if (notes != nullptr) *notes = BVHWriteNotes();
        if (skeleton.SegmentCount() == 0) return kNoSegments;
        std::unordered_set<std::wstring_view> names;
        for (std::uint32_t i = 0; i < skeleton.SegmentCount(); ++i) {
            const std::wstring& name = skeleton.Segment(i)->Name();
            if (!NameHeld(name)) return kNameNotHeld + (L"\"" + name + L"\"");
            if (!names.insert(name).second) return kDuplicateSegment + name;
        }
        if (skeleton.GetDataFrameRate() < 1) return kRateTooLow;
        const HTRSegment* unreached = nullptr;
        std::vector<Joint> joints = DepthFirst(skeleton, unreached);
        if (joints.empty()) return kLoop + unreached->Name();

        const std::uint32_t frames = skeleton.GetNumFrames();
        for (Joint& joint : joints) {
            const HTRSegment& segment = *joint.segment;
            const std::uint32_t held = std::min(frames, segment.FrameCount());
            // Frames beyond its own stand it at its parent's origin.
            const TOVVector3<double> base = segment.BaseTranslation();
            bool moves = held < frames && (base.x() != 0.0 || base.y() != 0.0 || base.z() != 0.0);
            bool scaled = false;
            for (std::uint32_t f = 0; f < held && !(moves && scaled); ++f) {
                double x, y, z;
                segment.GetFrameTranslation(f, x, y, z);
                moves = moves || x != 0.0 || y != 0.0 || z != 0.0;
                scaled = scaled || segment.GetFrameScale(f) != 1.0;
            }
            joint.positions = joint.root || moves;
            if (notes != nullptr && moves && !joint.root) {
                notes->jointsWithPositions.push_back(segment.Name());
            }
            if (notes != nullptr && scaled) notes->scaleDropped.push_back(segment.Name());
        }

        int error = 0;
        const std::unique_ptr<TextOutput> file = TextFiles().CreateOutput(path, error);
        if (!file) return kFileNotOpened;
        // Data fields: a blank, then six decimals.
        LineWriter out(*file, ' ', 6);
        WriteHierarchy(joints, out);
        WriteMotion(skeleton, joints, out);
        out.Flush();
        if (!file->Commit()) return kNotWritten;
        return std::wstring();
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

}  // namespace tovfileio
