#include "utility/TOVUtilities.h"

// The conversion page comes with the panel's own work; until then the panel
// only remembers who opened it.
void TOVUtilities::BeginEditParams(Interface* host, IUtil* utility) {
    host_ = host;
    utility_ = utility;
}

void TOVUtilities::EndEditParams(Interface* /*host*/, IUtil* /*utility*/) {
    host_ = nullptr;
    utility_ = nullptr;
}
