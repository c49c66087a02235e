#include "GlobalShortcuts/Key.h"

namespace GlobalShortcuts {

const QSet<std::int64_t>& Key::functionKeys()
{
    static const QSet<std::int64_t> keys { f1.rawValue, f2.rawValue, f3.rawValue, f4.rawValue, f5.rawValue,
        f6.rawValue, f7.rawValue, f8.rawValue, f9.rawValue, f10.rawValue, f11.rawValue, f12.rawValue,
        f13.rawValue, f14.rawValue, f15.rawValue, f16.rawValue, f17.rawValue, f18.rawValue, f19.rawValue,
        f20.rawValue };
    return keys;
}

const QSet<std::int64_t>& Key::keysWithSynthesizedFunctionModifier()
{
    static const QSet<std::int64_t> keys = [] {
        auto keys = functionKeys();
        for (const auto& key : { help, deleteForward, keypadClear, home, end, pageUp, pageDown, upArrow,
                 rightArrow, downArrow, leftArrow })
            keys.insert(key.rawValue);
        return keys;
    }();
    return keys;
}

} // namespace GlobalShortcuts
