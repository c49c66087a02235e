#pragma once

// The permission to record the screen, without which the area-capture tool sees only the desktop picture.
class ScreenAccess {
public:
    virtual ~ScreenAccess() = default;

    // Whether it is granted now; never asks the user.
    virtual bool preflight() const = 0;
    // Shows the system's own prompt. What the user answers takes effect only after a restart, so nothing
    // is returned.
    virtual void request() = 0;
    // Whether the system has settings where the user grants it; false where every client may read the
    // screen anyway.
    virtual bool hasSettings() const { return true; }
};
