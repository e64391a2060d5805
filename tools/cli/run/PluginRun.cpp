#include "cli/run/PluginRun.h"

#include <algorithm>

PluginFailure PluginRun::Failure() const {
    const PluginFailure failure = OperationFailure();
    if (failure == PluginFailure::None && !writeFailures.empty()) return PluginFailure::NotWritten;
    return failure;
}

PluginFailure PluginRun::OperationFailure() const {
    switch (operation.kind) {
        case PluginOperation::Kind::Import:
        case PluginOperation::Kind::Export:
            if (result != 1) return PluginFailure::Failed;
            if (!operation.promptsSuppressed && !accepted) {
                // The TRC importer stops before its dialog on a file it
                // cannot read, and still answers 1.
                return dialogShown ? PluginFailure::NotAccepted : PluginFailure::Failed;
            }
            // The TRC importer answers 1 whatever happened, and says what went
            // wrong in an error message. The exporter writes past some of its
            // errors (a bone with an object offset), so its messages decide nothing.
            if (operation.kind == PluginOperation::Kind::Import && errorReported) {
                return PluginFailure::Failed;
            }
            return PluginFailure::None;
        case PluginOperation::Kind::Interactive:
            if (operation.confirmation.empty() ||
                std::find(messages.begin(), messages.end(), operation.confirmation) !=
                    messages.end()) {
                return PluginFailure::None;
            }
            return PluginFailure::NotConfirmed;
    }
    return PluginFailure::Failed;
}
