#include "RowTransform.h"

namespace tovfileio {

TRCSample Turned(const TRCSample& sample, AxisTurn turn, double factor) {
    if (!sample.valid) return sample;
    const double x = sample.x * factor;
    const double y = sample.y * factor;
    const double z = sample.z * factor;
    switch (turn) {
        case AxisTurn::kYUpToZUp: return {true, x, -z, y};
        case AxisTurn::kZUpToYUp: return {true, x, z, -y};
        case AxisTurn::kNone: break;
    }
    return {true, x, y, z};
}

bool RowTransform::Begin(const TRCFile& file) {
    // The header holds no samples when rows stream, so the copy is small.
    begun_ = true;
    from_ = file.GetUnits();
    header_ = file;
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
