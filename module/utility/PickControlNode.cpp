#include "utility/PickControlNode.h"

#include "tovfileio/gwm/MarkerNameMap.h"

using namespace tovfileio;

BOOL PickControlNode::HitTest(Interface* host, HWND window, ViewExp* /*view*/, IPoint2 point,
                              int /*flags*/) {
    return host != nullptr && host->PickNode(window, point, this) != nullptr ? TRUE : FALSE;
}

BOOL PickControlNode::Pick(Interface* /*host*/, ViewExp* view) {
    pickedNode = view != nullptr ? view->GetClosestHit() : nullptr;
    // The pick is over even before the host leaves the mode.
    active = false;
    return TRUE;
}

BOOL PickControlNode::RightClick(Interface* /*host*/, ViewExp* /*view*/) {
    rightClicked = true;
    return TRUE;
}

void PickControlNode::EnterMode(Interface* /*host*/) { active = true; }

void PickControlNode::ExitMode(Interface* /*host*/) { active = false; }

BOOL PickControlNode::Filter(INode* node) {
    if (node == nullptr) return FALSE;
    // The creator writes the node's name into an MNM file: a name the file
    // cannot give back (a blank in it) would be a marker lost later.
    const wchar_t* name = node->GetName();
    if (name == nullptr || !MarkerNameMap::CanHoldName(name)) return FALSE;
    // The object the node shows; hidden nodes count as well.
    Object* object = node->GetObjectRef();
    if (object == nullptr) return FALSE;
    const SClass_ID superClass = object->SuperClassID();
    return superClass == GEOMOBJECT_CLASS_ID || superClass == SHAPE_CLASS_ID ||
                   superClass == HELPER_CLASS_ID
               ? TRUE
               : FALSE;
}

PickControlNode& PickControlNode::Module() {
    static PickControlNode mode;
    return mode;
}
