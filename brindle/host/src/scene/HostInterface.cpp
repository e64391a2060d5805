#include "brindle/host/scene/HostInterface.h"

#include "brindle/host/ui/UiDriver.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/ui/UtilityHost.h"

namespace brindle::host {
namespace {

ProgressSink* progressSink = nullptr;
ProgressRecord progress;

SceneNode* AsSceneNode(INode* node) { return dynamic_cast<SceneNode*>(node); }

class HeadlessInterface : public Interface {
public:
    HWND GetMainWindow() override { return MainWindow(); }

    TimeValue GetTime() override { return Scene::Current().Time(); }
    void SetTime(TimeValue t, BOOL /*redraw*/) override { Scene::Current().SetTime(t); }
    Interval GetAnimRange() override {
        const Scene& scene = Scene::Current();
        // A scene whose range was never set shows 100 frames from 0.
        return scene.AnimationRange().value_or(Interval(0, 100 * scene.TicksPerFrame()));
    }
    void SetAnimRange(Interval range) override { Scene::Current().SetAnimationRange(range); }

    INode* GetRootNode() override { return &Scene::Current().Root(); }
    int GetSelNodeCount() override {
        return static_cast<int>(Scene::Current().Selection().size());
    }
    INode* GetSelNode(int i) override {
        const auto& selection = Scene::Current().Selection();
        if (i < 0 || static_cast<std::size_t>(i) >= selection.size()) return nullptr;
        return selection[static_cast<std::size_t>(i)];
    }
    INode* GetINodeByHandle(ULONG handle) override {
        return Scene::Current().FindByHandle(handle);
    }
    INode* GetINodeByName(const wchar_t* name) override {
        return Scene::Current().FindByName(name != nullptr ? name : L"");
    }
    void MakeNameUnique(std::wstring& name) override { Scene::Current().MakeNameUnique(name); }

    void* CreateInstance(SClass_ID superClass, Class_ID classId) override {
        if (superClass == CTRL_ROTATION_CLASS_ID) {
            return static_cast<Control*>(NewRotationController(classId).release());
        }
        return static_cast<Object*>(NewSceneObject(superClass, classId).release());
    }
    INode* CreateObjectNode(Object* object) override {
        auto* owned = dynamic_cast<SceneObject*>(object);
        if (owned == nullptr) return nullptr;
        return Scene::Current().CreateNode(std::unique_ptr<SceneObject>(owned));
    }
    void DeleteNode(INode* node, BOOL /*redraw*/) override {
        Scene::Current().DeleteNode(AsSceneNode(node));
    }

    BOOL ProgressStart(const wchar_t* title, BOOL /*showBar*/, LPTHREAD_START_ROUTINE /*fn*/,
                       void* /*arg*/) override {
        progress.open = true;
        progress.percent = 0;
        progress.title = title != nullptr ? title : L"";
        progress.starts++;
        cancelled_ = false;
        if (progressSink != nullptr) progressSink->Started(progress.title);
        return TRUE;
    }
    void ProgressUpdate(int percent, BOOL /*showPercent*/, const wchar_t* title) override {
        if (!progress.open) return;
        progress.percent = percent;
        if (title != nullptr) progress.title = title;
        if (progressSink != nullptr) progressSink->Updated(percent);
    }
    void ProgressEnd() override {
        if (!progress.open) return;
        progress.open = false;
        progress.ends++;
        if (progressSink != nullptr) progressSink->Ended();
    }
    BOOL GetCancel() override {
        if (progressSink != nullptr && progressSink->Cancelled()) cancelled_ = true;
        return cancelled_ ? TRUE : FALSE;
    }
    void SetCancel(BOOL cancel) override { cancelled_ = cancel != FALSE; }
    void RedrawViews(TimeValue /*t*/) override { CountRedraw(); }

    HWND AddRollupPage(HINSTANCE /*module*/, const DialogTemplate* dialog, DLGPROC procedure,
                       const wchar_t* title, LPARAM param, DWORD /*flags*/,
                       int /*category*/) override {
        return brindle::host::AddRollupPage(dialog, procedure, title, param);
    }
    void DeleteRollupPage(HWND page) override { brindle::host::DeleteRollupPage(page); }
    void RollupMouseMessage(HWND /*page*/, UINT /*message*/, WPARAM /*wParam*/,
                            LPARAM /*lParam*/) override {}

    void SetPickMode(PickModeCallback* mode) override { brindle::host::SetPickMode(mode); }
    void ClearPickMode() override { brindle::host::ClearPickMode(); }
    INode* PickNode(HWND window, IPoint2 point, PickNodeCallback* filter) override {
        return brindle::host::PickNode(window, point, filter);
    }

    void RegisterExitBRINDLECallback(ExitBRINDLECallback* callback) override {
        RegisterExitCallback(callback);
    }
    void UnRegisterExitBRINDLECallback(ExitBRINDLECallback* callback) override {
        UnRegisterExitCallback(callback);
    }

    BOOL ChooseDirectory(HWND /*owner*/, const wchar_t* title, wchar_t* folder,
                         wchar_t* /*description*/) override {
        return brindle::host::ChooseDirectory(title, folder);
    }

private:
    bool cancelled_ = false;
};

class HeadlessImpInterface : public ImpInterface {
public:
    void RedrawViews() override {}
};

class HeadlessExpInterface : public ExpInterface {};

}  // namespace

ProgressSink* SetProgressSink(ProgressSink* sink) {
    ProgressSink* previous = progressSink;
    progressSink = sink;
    return previous;
}

const ProgressRecord& Progress() { return progress; }

Interface& HostInterface() {
    static HeadlessInterface host;
    return host;
}

ImpInterface& HostImportInterface() {
    static HeadlessImpInterface import;
    return import;
}

ExpInterface& HostExportInterface() {
    static HeadlessExpInterface exporter;
    return exporter;
}

}  // namespace brindle::host

// The host's interface colours; bones are drawn in a pale yellow.
Point3 GetUIColor(int index) {
    switch (index) {
        case COLOR_BONES: return Point3(0.88f, 0.78f, 0.45f);
        default: return Point3(0.5f, 0.5f, 0.5f);
    }
}
