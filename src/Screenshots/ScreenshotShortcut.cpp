#include "Screenshots/ScreenshotShortcut.h"

namespace ScreenshotShortcut {

GlobalShortcuts::Name name()
{
    return GlobalShortcuts::Name(rawName);
}

} // namespace ScreenshotShortcut
