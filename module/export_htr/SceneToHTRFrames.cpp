// The frames of the exported segments. They are taken a frame at a time,
// every segment in the order stored (parents before children), so the host
// composes each node's world matrix with its parent's, which it already
// keeps for that frame, and a parent's frame scale is there for its
// children.
#include "export_htr/ExportHTR.h"
#include "export_htr/ScenePlacement.h"

using namespace tovfileio;

using htrexport::FileTranslation;
using htrexport::Matrix;
using htrexport::Parts;
using htrexport::Product;
using htrexport::Scaled;

void ExportHTR::ExportFrames() {
    if (frameSources_.empty()) return;
    const std::int64_t tpf = GetTicksPerFrame();
    for (std::int64_t f = frameFirst_; f <= frameLast_; ++f) {
        const auto i = static_cast<std::uint32_t>(f - frameFirst_);
        const auto t = static_cast<TimeValue>(f * tpf);
        for (const FrameSource& source : frameSources_) AppendFrame(source, i, t);
    }
}

void ExportHTR::AppendFrame(const FrameSource& source, std::uint32_t index, TimeValue t) const {
    static const htrexport::AxisReturn axes;
    const bool root = source.root;
    const Parts p = htrexport::PartsAt(source.node, t, source.relative);
    const double parentFrameScale = root ? 1.0 : source.parent->GetFrameScale(index);
    TOVVector3<double> tr = FileTranslation(p.translation, root);
    if (!root) tr = Scaled(tr, parentFrameScale);
    const TOVVector3<double>& base = source.baseTranslation;
    tr = TOVVector3<double>(tr.x() - base.x(), tr.y() - base.y(), tr.z() - base.z());
    const Matrix frame = Product(axes(p.rotation, root), source.baseInverse);
    const double scale =
        root ? p.scale.x : double(static_cast<float>(p.scale.x * parentFrameScale));
    source.segment->AppendFrame(tr, TOVEulerRotation<double>(frame), scale);
}
