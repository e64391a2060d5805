// The module's utility panel, as the host sees it.
#pragma once

#include "brindle/sdk/PluginClasses.h"

class TOVUtilities : public UtilityObj {
public:
    void BeginEditParams(Interface* host, IUtil* utility) override;
    void EndEditParams(Interface* host, IUtil* utility) override;

private:
    Interface* host_ = nullptr;
    IUtil* utility_ = nullptr;
};
