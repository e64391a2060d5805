#include "tovfileio/convert/SkeletonTurn.h"

#include "tovfileio/convert/UpTurn.h"
#include "tovfileio/math/TOVRotation.h"

namespace tovfileio {

namespace {

// The turn as a matrix a row vector is turned by: each row the turned axis.
TOVRotationMatrix3<double> TurnMatrix(UpAxis from, UpAxis to) {
    double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (auto& axis : axes) TurnUp(axis[0], axis[1], axis[2], from, to);
    return TOVRotationMatrix3<double>(axes[0][0], axes[0][1], axes[0][2], axes[1][0], axes[1][1],
                                      axes[1][2], axes[2][0], axes[2][1], axes[2][2]);
}

}  // namespace

void TurnSkeletonUp(HTRFile& skeleton, UpAxis from, UpAxis to) {
    if (from == to) return;
    const TOVRotationMatrix3<double> turn = TurnMatrix(from, to);
    for (std::uint32_t s = 0; s < skeleton.SegmentCount(); ++s) {
        HTRSegment& segment = *skeleton.Segment(s);
        if (segment.GetParent() != nullptr) continue;
        TOVVector3<double> base = segment.BaseTranslation();
        TurnUp(base[0], base[1], base[2], from, to);
        segment.SetBaseTranslation(base);
        for (std::uint32_t f = 0; f < segment.FrameCount(); ++f) {
            double x, y, z;
            segment.GetFrameTranslation(f, x, y, z);
            TurnUp(x, y, z, from, to);
            segment.SetFrameTranslation(f, x, y, z);
        }
        // A frame's rotation is its own, then the base's: the turn after
        // the base turns the whole figure.
        TOVEulerRotation<double> rotation = segment.BaseRotation();
        rotation.SetFromMatrix(turn.Multiply(TOVRotationMatrix3<double>(rotation)));
        segment.SetBaseRotation(rotation);
    }
}

}  // namespace tovfileio
