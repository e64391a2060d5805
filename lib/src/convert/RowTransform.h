// A row sink between a reader and a writer that converts lengths and turns
// the up axis of every position on the way, and gives the writer a header
// in the new units.
#pragma once

#include <optional>
#include <vector>

#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// How positions are turned between up axes, as the host's marker files
// turn them: Y-up (x, y, z) stands Z-up as (x, -z, y), and back.
enum class AxisTurn { kNone, kYUpToZUp, kZUpToYUp };

TRCSample Turned(const TRCSample& sample, AxisTurn turn, double factor);

class RowTransform : public TRCRowSink {
public:
    // Lengths are converted to `units` when given (the factor is known once
    // the header is), and positions turned by `turn`.
    RowTransform(TRCRowSink& next, AxisTurn turn, std::optional<CalibrationUnits> units)
        : next_(next), turn_(turn), units_(units) {}
    // The units a header that states none is read in (else its assumed mm).
    void AssumeUnits(std::optional<CalibrationUnits> units) { assumed_ = units; }

    bool Begin(const TRCFile& file) override;
    bool Row(const TRCRow& row) override;

    // Whether Begin came, and the units the header gave then (or those
    // assumed for a header that states none, which UnitsAssumed says).
    bool Begun() const { return begun_; }
    CalibrationUnits FromUnits() const { return from_; }
    bool UnitsAssumed() const { return usedAssumed_; }

private:
    TRCRowSink& next_;
    AxisTurn turn_;
    std::optional<CalibrationUnits> units_;
    std::optional<CalibrationUnits> assumed_;
    bool usedAssumed_ = false;
    double factor_ = 1.0;
    bool begun_ = false;
    CalibrationUnits from_ = kUnitsMillimetres;
    TRCFile header_;
    std::vector<TRCSample> held_;
};

}  // namespace tovfileio
