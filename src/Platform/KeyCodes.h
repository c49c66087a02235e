#pragma once

#include <array>
#include <cstdint>

// Virtual key codes, US ANSI positions, as the keyboard event services number the keys. `returnKey` and
// `deleteKey` are the Return and Delete (Backspace) keys, whose plain names are keywords or too easily
// misread. A struct rather than a namespace, so that GlobalShortcuts::Key can name every key the same way.
struct KeyCodes {
    static constexpr std::uint16_t a = 0;
    static constexpr std::uint16_t b = 11;
    static constexpr std::uint16_t c = 8;
    static constexpr std::uint16_t d = 2;
    static constexpr std::uint16_t e = 14;
    static constexpr std::uint16_t f = 3;
    static constexpr std::uint16_t g = 5;
    static constexpr std::uint16_t h = 4;
    static constexpr std::uint16_t i = 34;
    static constexpr std::uint16_t j = 38;
    static constexpr std::uint16_t k = 40;
    static constexpr std::uint16_t l = 37;
    static constexpr std::uint16_t m = 46;
    static constexpr std::uint16_t n = 45;
    static constexpr std::uint16_t o = 31;
    static constexpr std::uint16_t p = 35;
    static constexpr std::uint16_t q = 12;
    static constexpr std::uint16_t r = 15;
    static constexpr std::uint16_t s = 1;
    static constexpr std::uint16_t t = 17;
    static constexpr std::uint16_t u = 32;
    static constexpr std::uint16_t v = 9;
    static constexpr std::uint16_t w = 13;
    static constexpr std::uint16_t x = 7;
    static constexpr std::uint16_t y = 16;
    static constexpr std::uint16_t z = 6;
    static constexpr std::uint16_t zero = 29;
    static constexpr std::uint16_t one = 18;
    static constexpr std::uint16_t two = 19;
    static constexpr std::uint16_t three = 20;
    static constexpr std::uint16_t four = 21;
    static constexpr std::uint16_t five = 23;
    static constexpr std::uint16_t six = 22;
    static constexpr std::uint16_t seven = 26;
    static constexpr std::uint16_t eight = 28;
    static constexpr std::uint16_t nine = 25;
    static constexpr std::uint16_t capsLock = 57;
    static constexpr std::uint16_t shift = 56;
    static constexpr std::uint16_t function = 63;
    static constexpr std::uint16_t control = 59;
    static constexpr std::uint16_t option = 58;
    static constexpr std::uint16_t command = 55;
    static constexpr std::uint16_t rightCommand = 54;
    static constexpr std::uint16_t rightOption = 61;
    static constexpr std::uint16_t rightControl = 62;
    static constexpr std::uint16_t rightShift = 60;
    static constexpr std::uint16_t returnKey = 36;
    static constexpr std::uint16_t backslash = 42;
    static constexpr std::uint16_t backtick = 50;
    static constexpr std::uint16_t comma = 43;
    static constexpr std::uint16_t equal = 24;
    static constexpr std::uint16_t minus = 27;
    static constexpr std::uint16_t period = 47;
    static constexpr std::uint16_t quote = 39;
    static constexpr std::uint16_t semicolon = 41;
    static constexpr std::uint16_t slash = 44;
    static constexpr std::uint16_t space = 49;
    static constexpr std::uint16_t tab = 48;
    static constexpr std::uint16_t leftBracket = 33;
    static constexpr std::uint16_t rightBracket = 30;
    static constexpr std::uint16_t escape = 53;
    static constexpr std::uint16_t deleteKey = 51; // Backspace
    static constexpr std::uint16_t deleteForward = 117;
    static constexpr std::uint16_t help = 114; // Insert on PC keyboards
    static constexpr std::uint16_t pageUp = 116;
    static constexpr std::uint16_t pageDown = 121;
    static constexpr std::uint16_t home = 115;
    static constexpr std::uint16_t end = 119;
    static constexpr std::uint16_t upArrow = 126;
    static constexpr std::uint16_t rightArrow = 124;
    static constexpr std::uint16_t downArrow = 125;
    static constexpr std::uint16_t leftArrow = 123;
    static constexpr std::uint16_t mute = 74;
    static constexpr std::uint16_t volumeUp = 72;
    static constexpr std::uint16_t volumeDown = 73;
    static constexpr std::uint16_t f1 = 122;
    static constexpr std::uint16_t f2 = 120;
    static constexpr std::uint16_t f3 = 99;
    static constexpr std::uint16_t f4 = 118;
    static constexpr std::uint16_t f5 = 96;
    static constexpr std::uint16_t f6 = 97;
    static constexpr std::uint16_t f7 = 98;
    static constexpr std::uint16_t f8 = 100;
    static constexpr std::uint16_t f9 = 101;
    static constexpr std::uint16_t f10 = 109;
    static constexpr std::uint16_t f11 = 103;
    static constexpr std::uint16_t f12 = 111;
    static constexpr std::uint16_t f13 = 105;
    static constexpr std::uint16_t f14 = 107;
    static constexpr std::uint16_t f15 = 113;
    static constexpr std::uint16_t f16 = 106;
    static constexpr std::uint16_t f17 = 64;
    static constexpr std::uint16_t f18 = 79;
    static constexpr std::uint16_t f19 = 80;
    static constexpr std::uint16_t f20 = 90;
    static constexpr std::uint16_t keypad0 = 82;
    static constexpr std::uint16_t keypad1 = 83;
    static constexpr std::uint16_t keypad2 = 84;
    static constexpr std::uint16_t keypad3 = 85;
    static constexpr std::uint16_t keypad4 = 86;
    static constexpr std::uint16_t keypad5 = 87;
    static constexpr std::uint16_t keypad6 = 88;
    static constexpr std::uint16_t keypad7 = 89;
    static constexpr std::uint16_t keypad8 = 91;
    static constexpr std::uint16_t keypad9 = 92;
    static constexpr std::uint16_t keypadClear = 71;
    static constexpr std::uint16_t keypadDecimal = 65;
    static constexpr std::uint16_t keypadDivide = 75;
    static constexpr std::uint16_t keypadEnter = 76;
    static constexpr std::uint16_t keypadEquals = 81;
    static constexpr std::uint16_t keypadMinus = 78;
    static constexpr std::uint16_t keypadMultiply = 67;
    static constexpr std::uint16_t keypadPlus = 69;

    // A to Z, 0 to 9, keypad 0 to 9 and F1 to F20, in that order.
    static constexpr std::array<std::uint16_t, 26> letters { a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p,
        q, r, s, t, u, v, w, x, y, z };
    static constexpr std::array<std::uint16_t, 10> digits { zero, one, two, three, four, five, six, seven,
        eight, nine };
    static constexpr std::array<std::uint16_t, 10> keypadDigits { keypad0, keypad1, keypad2, keypad3, keypad4,
        keypad5, keypad6, keypad7, keypad8, keypad9 };
    static constexpr std::array<std::uint16_t, 20> functionKeys { f1, f2, f3, f4, f5, f6, f7, f8, f9, f10,
        f11, f12, f13, f14, f15, f16, f17, f18, f19, f20 };
    // F1 to F20.
    static constexpr bool isFunctionKey(std::int64_t keyCode)
    {
        for (const auto key : functionKeys)
            if (key == keyCode)
                return true;
        return false;
    }
    // The keys on which the system sets the function flag by itself: the function keys, Help, Forward
    // Delete, keypad Clear, Home, End, Page Up, Page Down and the four arrows.
    static constexpr bool synthesizesFunction(std::int64_t keyCode)
    {
        if (isFunctionKey(keyCode))
            return true;
        for (const auto key : { help, deleteForward, keypadClear, home, end, pageUp, pageDown, upArrow,
                 rightArrow, downArrow, leftArrow })
            if (key == keyCode)
                return true;
        return false;
    }
};
