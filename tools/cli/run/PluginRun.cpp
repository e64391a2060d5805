#include "cli/run/PluginRun.h"

namespace {

PluginFailure RecordedFailure(const OperationReport& report) {
    switch (report.end) {
        case OperationEnd::kDone: return PluginFailure::None;
        case OperationEnd::kCancelled: return PluginFailure::NotAccepted;
        case OperationEnd::kNotRun:
        case OperationEnd::kRefused: break;
    }
    return PluginFailure::Failed;
}

}  // namespace

PluginFailure PluginRun::Failure() const {
    PluginFailure failure = PluginFailure::None;
    if (recorded) {
        failure = RecordedFailure(report);
    } else if (kind != PluginOperation::Kind::Interactive && result != 1) {
        failure = PluginFailure::Failed;
    }
    if (failure == PluginFailure::None && !writeFailures.empty()) return PluginFailure::NotWritten;
    return failure;
}
