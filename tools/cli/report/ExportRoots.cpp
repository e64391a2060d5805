#include "cli/report/ExportRoots.h"

#include "cli/report/SafeText.h"
#include "tovfileio/module/ResourceIds.h"

std::string ExportRootHint(const OperationReport& report) {
    if (report.end != OperationEnd::kRefused ||
        (report.reason != IDS_SELECT_ROOT_BONE && report.reason != IDS_SELECT_BONE_OBJECT)) {
        return std::string();
    }
    if (report.rootsToSelect.empty()) return "the scene holds no bone to export";
    std::string list;
    for (const std::wstring& name : report.rootsToSelect) {
        list += (list.empty() ? "" : ", ") + EscapedName(name);
    }
    return std::string(report.reason == IDS_SELECT_ROOT_BONE
                           ? "nothing is selected"
                           : "the node selected is not a bone and has none among its children") +
           "; select one of: " + list + " (--select NAME)";
}
