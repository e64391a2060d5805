#include "RowTransform.h"

#include "tovfileio/convert/UpTurn.h"

namespace tovfileio {

TRCSample Turned(const TRCSample& sample, AxisTurn turn, double factor) {
    if (!sample.valid) return sample;
    TRCSample turned{true, sample.filled, sample.x * factor, sample.y * factor, sample.z * factor};
    if (turn != AxisTurn::kNone) {
        const UpAxis from = turn == AxisTurn::kYUpToZUp ? UpAxis::kY : UpAxis::kZ;
        const UpAxis to = turn == AxisTurn::kYUpToZUp ? UpAxis::kZ : UpAxis::kY;
        TurnUp(turned.x, turned.y, turned.z, from, to);
    }
    return turned;
}

bool RowTransform::Begin(const TRCFile& file) {
    // The header holds no samples when rows stream, so the copy is small.
    begun_ = true;
    usedAssumed_ = !file.UnitsStated() && assumed_.has_value();
    from_ = usedAssumed_ ? *assumed_ : file.GetUnits();
    header_ = file;
    header_.SetUnits(from_);
    if (units_) {
        factor_ = UnitConversionFactor(from_, *units_);
        header_.SetUnits(*units_);
    }
    return next_.Begin(header_);
}

bool RowTransform::Row(const TRCRow& row) {
    const std::span<const TRCSample> held = row.Held();
    held_.resize(held.size());
    for (std::size_t m = 0; m < held.size(); ++m) held_[m] = Turned(held[m], turn_, factor_);
    return next_.Row(TRCRow(held_, Turned(row.Rest(), turn_, factor_), row.size()));
}

}  // namespace tovfileio
