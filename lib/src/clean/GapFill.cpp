#include "tovfileio/clean/GapFill.h"

namespace tovfileio {

const char* GapMethodName(GapMethod) { return "auto"; }
std::optional<GapMethod> GapMethodNamed(std::string_view) { return std::nullopt; }
std::vector<MarkerGap> FindGaps(const TRCFile&) { return {}; }
GapFillReport FillGaps(TRCFile&, const GapFillOptions&) { return {}; }

}  // namespace tovfileio
