#include "scene/SceneWriter.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/SceneDocumentForm.h"
#include "scene/TrackWriter.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// Writes the members of one node at a time, in the order the document
// gives them.
class NodeWriter {
public:
    explicit NodeWriter(DocumentText& out) : out_(out) {}

    void Node(SceneNode& node) {
        out_.BeginObject();
        out_.Key("name");
        out_.String(TextCodec::EncodeUtf8(node.Name()));
        out_.Key("handle");
        out_.Integer(node.GetHandle());
        SceneNode* parent = node.Parent();
        const bool topLevel = parent == nullptr || parent->IsRootNode();
        out_.Key("parent");
        topLevel ? out_.Null() : out_.String(ParentName(*parent));
        out_.Key("parent_handle");
        topLevel ? out_.Null() : out_.Integer(parent->GetHandle());
        out_.Key("object");
        Object(node.HeldObject());
        out_.Key("wire_color");
        out_.Integer(node.GetWireColor());
        out_.Key("user_properties");
        out_.BeginObject();
        for (const auto& [key, value] : node.UserProperties()) {
            out_.Key(PropertyKey(key));
            out_.Float(value);
        }
        out_.EndObject();
        Controllers(node.Transform());
        out_.Key("bone_on");
        out_.Bool(node.GetBoneNodeOnOff() != FALSE);
        out_.Key("bone_display");
        out_.Integer(node.BoneDisplay());
        const Matrix3 offset = node.GetObjOffsetTM();
        if (offset != Matrix3()) {
            out_.Key("object_offset");
            out_.BeginArray(false);
            for (int row = 0; row < 4; ++row) Vector(offset[row]);
            out_.EndArray();
        }
        out_.EndObject();
    }

private:
    // The UTF-8 name of `parent`, kept while the nodes of one parent are
    // written one after another (the scene does not change while it is
    // written).
    const std::string& ParentName(SceneNode& parent) {
        if (&parent != lastParent_) {
            lastParent_ = &parent;
            parentName_ = TextCodec::EncodeUtf8(parent.Name());
        }
        return parentName_;
    }

    // A user property's key in UTF-8. The scene holds each key once, so
    // the few keys of a scene are told apart by where their text lies and
    // encoded once each.
    const std::string& PropertyKey(std::wstring_view key) {
        for (const auto& [text, utf8] : propertyKeys_) {
            if (text.data() == key.data() && text.size() == key.size()) return utf8;
        }
        if (propertyKeys_.size() == kKeptPropertyKeys) propertyKeys_.pop_back();
        propertyKeys_.emplace_back(key, TextCodec::EncodeUtf8(key));
        return propertyKeys_.back().second;
    }

    void Vector(const Point3& p) {
        out_.BeginArray(true);
        out_.Float(p.x);
        out_.Float(p.y);
        out_.Float(p.z);
        out_.EndArray();
    }
    void Vector(const Quat& q) {
        out_.BeginArray(true);
        out_.Float(q.x);
        out_.Float(q.y);
        out_.Float(q.z);
        out_.Float(q.w);
        out_.EndArray();
    }
    void ClassId(const Class_ID& id) {
        out_.BeginArray(true);
        out_.Integer(id.PartA());
        out_.Integer(id.PartB());
        out_.EndArray();
    }
    void FloatMember(const char* name, float value) {
        out_.Key(name);
        out_.Float(value);
    }

    void Controllers(TransformController& transform) {
        // Read through the const transform: writing makes no controller.
        const TransformController& held = transform;
        Controller("position", "linear_position", held.Position());
        Controller("rotation", held.Rotation().Kind() == ControllerClass::kTCB ? "tcb" : "euler_xyz",
                   held.Rotation());
        Controller("scale", "linear_scale", held.Scale());
        if (!(transform.ClassID() == PRS_CONTROL_CLASS_ID)) {
            out_.Key("transform_class_id");
            ClassId(transform.ClassID());
        }
    }

    template <typename Value>
    void Controller(const char* field, const char* kind, const ValueController<Value>& controller) {
        out_.Key(field);
        out_.BeginObject();
        out_.Key("controller");
        out_.String(kind);
        out_.Key("value");
        Vector(controller.HeldValue());
        tracks_.Write(out_, controller.Track().Keys());
        if (controller.Locked()) {
            out_.Key("locked");
            out_.Bool(true);
        }
        out_.EndObject();
    }

    void Params(const ParamBlock& block) {
        out_.Key("params");
        out_.BeginObject();
        for (const ParamBlock::Param& param : block.Params()) {
            out_.Key(std::to_string(param.id));
            param.isInt ? out_.Integer(param.intValue) : out_.Float(param.floatValue);
        }
        out_.EndObject();
    }

    void Object(SceneObject* object) {
        if (object == nullptr) return out_.Null();
        const std::string kind = ObjectKind(*object);
        ParamBlock& block = object->Block();
        out_.BeginObject();
        out_.Key("kind");
        out_.String(kind);
        out_.Key("class_id");
        ClassId(object->ClassID());
        out_.Key("super_class_id");
        out_.Integer(object->SuperClassID());
        if (kind == "bone") {
            FloatMember("length", block.GetFloat(kBoneLength, 0));
            FloatMember("width", block.GetFloat(kBoneWidth, 0));
            FloatMember("height", block.GetFloat(kBoneHeight, 0));
            FloatMember("taper", block.GetFloat(kBoneTaper, 0));
        } else if (kind == "dummy") {
            const Box3 box = object->GetBox();
            out_.Key("box_min");
            Vector(box.pmin);
            out_.Key("box_max");
            Vector(box.pmax);
        } else if (kind == "sphere") {
            FloatMember("radius", block.GetFloat(kSphereRadius, 0));
            Params(block);
        } else if (kind == "point") {
            FloatMember("size", block.GetFloat(kPointSize, 0));
        } else {
            Params(block);
        }
        out_.EndObject();
    }

    static constexpr std::size_t kKeptPropertyKeys = 16;

    DocumentText& out_;
    SceneNode* lastParent_ = nullptr;
    std::string parentName_;
    std::vector<std::pair<std::wstring_view, std::string>> propertyKeys_;
    TrackWriter tracks_;
};

}  // namespace

long long WriteScene(const Scene& scene, DocumentText& out, bool stopAtNonFinite) {
    long long firstNonFinite = 0;
    out.ClearNonFinite();
    out.BeginObject();
    out.Key("format");
    out.String(kSceneDocumentFormat);
    out.Key("version");
    out.Integer(kSceneDocumentVersion);
    out.Key("frame_rate");
    out.Integer(scene.FrameRate());
    out.Key("ticks_per_frame");
    out.Integer(scene.TicksPerFrame());
    out.Key("system_unit_mm");
    out.Double(scene.SystemUnitMillimetres());
    if (out.NonFinite()) {
        firstNonFinite = -1;
        if (stopAtNonFinite) return firstNonFinite;
    }
    out.Key("time");
    out.Integer(scene.Time());
    out.Key("animation_range");
    if (const auto& range = scene.AnimationRange()) {
        out.BeginArray(true);
        out.Integer(range->Start());
        out.Integer(range->End());
        out.EndArray();
    } else {
        out.Null();
    }
    out.Key("nodes");
    out.BeginArray(false);
    NodeWriter nodes(out);
    long long number = 0;
    for (SceneNode* node : scene.Nodes()) {
        ++number;
        out.ClearNonFinite();
        nodes.Node(*node);
        if (out.NonFinite() && firstNonFinite == 0) {
            firstNonFinite = number;
            if (stopAtNonFinite) return firstNonFinite;
        }
    }
    out.EndArray();
    out.EndObject();
    return firstNonFinite;
}

}  // namespace brindle::host
