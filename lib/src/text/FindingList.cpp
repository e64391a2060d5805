#include "tovfileio/text/FindingList.h"

#include <algorithm>

namespace tovfileio {

const ReadFinding* FindingList::Refusal() const {
    const auto found = std::find_if(findings_.begin(), findings_.end(), [](const ReadFinding& f) {
        return f.effect == ReadFinding::Effect::kRefusal;
    });
    return found != findings_.end() ? &*found : nullptr;
}

const ReadFinding* FindingList::Find(ReadFindingCode code) const {
    const auto found = std::find_if(findings_.begin(), findings_.end(),
                                    [code](const ReadFinding& f) { return f.code == code; });
    return found != findings_.end() ? &*found : nullptr;
}

void FindingList::ReplayTo(ReadObserver* observer) const {
    if (observer == nullptr) return;
    for (const ReadFinding& finding : findings_) observer->Found(finding);
}

}  // namespace tovfileio
