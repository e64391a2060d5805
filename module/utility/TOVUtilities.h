// The module's utility panel: the rollup page "Convert TRC to GWM" in the
// host's command panel, which edits the conversion's settings and runs the
// conversion, the MNM file choice and the MNM creator.
#pragma once

#include "brindle/sdk/Interface.h"
#include "brindle/sdk/PluginClasses.h"
#include "utility/ConvertGWM.h"

class TOVUtilities : public UtilityObj {
public:
    ~TOVUtilities() override = default;
    void BeginEditParams(Interface* host, IUtil* utility) override;
    void EndEditParams(Interface* host, IUtil* utility) override;

    // Asks for the GWM output folder; the choice (empty for none) becomes
    // the output folder. Always true.
    bool ChooseOutputFolder(Interface* host);

    ConvertGWM& Conversion() { return convert_; }
    // The MNM creator tells the host its step and how its walk ended.
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == kMarkerCreatorId ? static_cast<MarkerCreator*>(&convert_) : nullptr;
    }
    // The page's message handling.
    INT_PTR HandlePageMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

private:
    void SetUpPage(HWND page);
    void HandleCommand(HWND page, int control);
    void ShowPath(HWND page, int control, const std::wstring& path);
    void EnableOffset(HWND page, bool enable);
    void ShowSpace(HWND page);

    Interface* host_ = nullptr;
    IUtil* utility_ = nullptr;
    HWND page_ = nullptr;
    ConvertGWM convert_;
};
