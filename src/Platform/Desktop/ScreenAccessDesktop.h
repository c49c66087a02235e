#pragma once

#include "Platform/ScreenAccess.h"

// X11 lets every client read the screen, so there is nothing to ask for.
class ScreenAccessDesktop final : public ScreenAccess {
public:
    bool preflight() const override { return true; }
    void request() override { }
    bool hasSettings() const override { return false; }
};
