#include "ScenarioGenerator.h"

#include <nlohmann/json.hpp>

namespace {

std::string jsonString(const std::string& text)
{
    return nlohmann::json(text).dump();
}

} // namespace

ScenarioGenerator::ScenarioGenerator(std::uint64_t seed)
    : m_random(seed)
{ }

bool ScenarioGenerator::chance(double probability)
{
    return std::bernoulli_distribution(probability)(m_random);
}

int ScenarioGenerator::between(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(m_random);
}

std::vector<std::string> ScenarioGenerator::scenario()
{
    std::vector<std::string> steps;
    preamble(steps);
    const int count = between(8, 30);
    for (int i = 0; i < count; ++i)
        step(steps);
    return steps;
}

void ScenarioGenerator::preamble(std::vector<std::string>& steps)
{
    m_trusted = chance(0.9);
    if (m_trusted)
        steps.push_back("trust on");
    if (chance(0.03))
        steps.push_back("tap-fails on");
    steps.push_back("front com.example.editor");
    if (chance(0.5)) {
        // Mostly inside the screen; now and then at its edges or beyond.
        const int x = chance(0.8) ? between(0, 1400) : between(-3000, 5000);
        const int y = chance(0.8) ? between(0, 880) : between(-3000, 5000);
        steps.push_back("caret " + std::to_string(x) + ' ' + std::to_string(y) + " 2 18");
    }
    if (chance(0.7))
        steps.push_back(setting());
    if (chance(0.3))
        steps.push_back(setting());
    steps.push_back("start");
}

void ScenarioGenerator::step(std::vector<std::string>& steps)
{
    static const char* const waits[] = { "0.05", "0.1", "0.4", "0.45", "0.6", "1", "2", "7" };
    static const char* const menuItems[]
        = { "Открыть историю", "Открыть историю", "Пауза записи", "Сделать скриншот", "Проверить обновления…",
              "Настройки…", "Выдать разрешение…", "Завершить Drimo Copy" };
    static const char* const fronts[]
        = { "com.example.editor", "com.example.editor", "com.example.notes", "com.example.terminal", "none" };
    const int roll = between(0, 99);
    if (roll < 24) {
        steps.push_back(copy());
    } else if (roll < 38) {
        steps.push_back(press());
    } else if (roll < 48) {
        if (chance(0.3))
            splitPress(steps);
        else
            steps.push_back(hold());
    } else if (roll < 55) {
        steps.push_back(typed());
    } else if (roll < 70) {
        steps.push_back(std::string("wait ") + (chance(0.03) ? "30" : pick(waits)));
    } else if (roll < 77) {
        steps.push_back("menu " + jsonString(pick(menuItems)));
    } else if (roll < 82) {
        steps.push_back("picker click " + std::to_string(between(1, 6)));
    } else if (roll < 85) {
        steps.push_back(std::string("front ") + pick(fronts));
    } else if (roll < 90) {
        steps.push_back(chance(0.5) ? setting() : settingsWindow());
    } else if (roll < 94) {
        steps.push_back(restart);
        steps.push_back("start");
    } else if (roll < 96) {
        steps.push_back(chance(0.8) ? "answer \"Очистить\"" : "answer \"Отмена\"");
        steps.push_back("app confirmClearHistory");
    } else if (roll < 98) {
        steps.push_back(chance(0.5) ? "app showHistory" : "app applyHoldKeys");
    } else if (!m_trusted) {
        m_trusted = true;
        steps.push_back("trust on");
    } else {
        steps.push_back(
            "mouse " + std::to_string(between(-100, 1500)) + ' ' + std::to_string(between(-100, 1000)));
    }
}

std::string ScenarioGenerator::setting()
{
    static const char* const limits[] = { "5", "10", "15", "0", "3", "-1", "15.5", "\"15\"" };
    static const char* const delays[] = { "0.2", "0.5", "0.6", "1", "1.5", "0", "-1", "100" };
    static const char* const flags[] = { "holdToPaste", "holdToScreenshot", "paused" };
    const int roll = between(0, 9);
    if (roll < 4)
        return std::string("default historyLimit ") + pick(limits);
    if (roll < 6)
        return std::string("default holdDelay ") + pick(delays);
    if (roll < 9)
        return std::string("default ") + pick(flags) + (chance(0.5) ? " true" : " false");
    return std::string("default ") + pick(flags) + " delete";
}

// The user in the settings window, where changes take effect at once (unlike `default`, read at start).
std::string ScenarioGenerator::settingsWindow()
{
    static const char* const limits[] = { "5", "10", "15", "Все" };
    static const char* const delays[] = { "1 с", "2 с", "3 с" };
    static const char* const switches[] = { "Пауза: не записывать новое", "Удержание ⌘V открывает историю",
        "Удержание ⌘C делает скриншот", "Сохранять в папку" };
    const int roll = between(0, 9);
    if (roll < 4)
        return "settings choose \"Хранить записей\" " + jsonString(pick(limits));
    if (roll < 5)
        return "settings choose \"Сколько держать\" " + jsonString(pick(delays));
    return "settings toggle " + jsonString(pick(switches));
}

std::string ScenarioGenerator::copy()
{
    std::string line = "copy " + item();
    // Most copies are one item; file lists and some applications write several.
    if (chance(0.1)) {
        const int more = between(1, 4);
        for (int i = 0; i < more; ++i)
            line += ' ' + item();
    }
    return line;
}

std::string ScenarioGenerator::item()
{
    const int roll = between(0, 99);
    if (roll < 35)
        return "text=" + jsonString(text())
            + (chance(0.2) ? ",rtf=" + jsonString("{\\rtf1 " + text() + "}") : "");
    if (roll < 40)
        return "text=\"\"";
    if (roll < 46) {
        // Bytes that are not UTF-8, offered as text.
        static const char* const invalid[] = { "ff", "c328", "e28228", "f0908c", "80808080", "6869ff00" };
        return std::string("text=hex:") + pick(invalid);
    }
    if (roll < 48)
        return "text=bytes:" + std::to_string(chance(0.5) ? 100'000 : 2'000'000);
    if (roll < 58) {
        const char* format = chance(0.7) ? "png" : "tiff";
        return std::string(format) + '=' + format + ':' + std::to_string(between(1, 64)) + 'x'
            + std::to_string(between(1, 64));
    }
    if (roll < 61) {
        // A header that promises a picture, and nothing after it.
        return chance(0.5) ? "png=hex:89504e470d0a1a0a0000000d49484452" : "tiff=hex:49492a00";
    }
    if (roll < 72) {
        static const char* const urls[] = { "file:///tmp/a.txt",
            "file:///home/user/Documents/report%20final.pdf", "file:///", "file://host/x",
            "relative/path.txt", "file:relative.txt", "https://example.com/x", "file:///tmp/%ZZ", "" };
        return "file-url=" + jsonString(pick(urls));
    }
    if (roll < 80) {
        static const char* const markers[] = { "concealed", "transient", "org.nspasteboard.AutoGeneratedType",
            "com.agilebits.onepassword", "de.petermaurer.TransientPasteboardType" };
        return std::string(pick(markers)) + "=\"\",text=" + jsonString("secret " + text());
    }
    if (roll < 85) {
        std::string many;
        const int count = between(10, 40);
        for (int i = 0; i < count; ++i)
            many += (i ? "," : "") + std::string("com.example.t") + std::to_string(i)
                + "=hex:" + std::string(static_cast<std::size_t>(between(0, 4)) * 2, 'a');
        return many + (chance(0.5) ? ",text=" + jsonString(text()) : "");
    }
    if (roll < 90)
        return "html=" + jsonString("<b>" + text() + "</b>");
    if (roll < 94)
        return "url=" + jsonString("https://example.com/" + text());
    return "com.example.unknown=bytes:" + std::to_string(between(0, 3000));
}

std::string ScenarioGenerator::text()
{
    // A small pool, so that the same copy comes back now and then.
    static const char* const pool[] = { "hello", "мир", "a,b", "say \"hi\"", "back\\slash", "tab\there",
        "line\nbreak", "😀 emoji", "# not a comment", "  spaced  ", "x", "Hello", "hello " };
    if (chance(0.6))
        return pick(pool);
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz 0123456789.,;-";
    std::string word;
    const int length = between(1, 40);
    for (int i = 0; i < length; ++i)
        word += alphabet[between(0, static_cast<int>(sizeof alphabet) - 2)];
    return word;
}

std::string ScenarioGenerator::modifiers(double probability)
{
    static const char* const names[] = { "cmd", "shift", "ctrl", "opt", "caps", "fn" };
    std::string result;
    for (const char* name : names)
        if (chance(probability))
            result += std::string(" ") + name;
    return result;
}

std::string ScenarioGenerator::press()
{
    static const char* const chordKeys[] = { "v", "c" };
    static const char* const keys[] = { "return", "enter", "escape", "up", "down", "delete", "tab", "space",
        "a", "x", "1", "2", "3", "9", "0", "f5", "home", "left", "code:300" };
    const int roll = between(0, 9);
    if (roll < 4)
        return std::string("press ") + pick(chordKeys) + " cmd" + modifiers(0.08);
    if (roll < 5)
        return std::string("press ") + pick(chordKeys) + modifiers(0.3);
    return std::string("press ") + pick(keys) + modifiers(0.1);
}

std::string ScenarioGenerator::hold()
{
    static const char* const durations[] = { "0.1", "0.3", "0.5", "0.55", "0.59", "0.61", "0.7", "1", "1.6" };
    const int roll = between(0, 9);
    std::string key;
    if (roll < 6)
        key = "v cmd";
    else if (roll < 8)
        key = "c cmd";
    else if (roll < 9)
        key = "v cmd shift";
    else
        key = "a";
    return "hold " + key + modifiers(0.04) + ' ' + pick(durations);
}

// A press of C or V taken apart, as fingers do: repeats, and modifiers that go up before the key or come
// down during it.
void ScenarioGenerator::splitPress(std::vector<std::string>& steps)
{
    static const char* const waits[] = { "0.1", "0.59", "0.61", "1" };
    const std::string key = chance(0.5) ? "v" : "c";
    steps.push_back("key down " + key + " cmd" + modifiers(0.04));
    if (chance(0.7))
        steps.push_back(std::string("wait ") + pick(waits));
    if (chance(0.4))
        steps.push_back("key repeat " + key + (chance(0.7) ? " cmd" : "") + modifiers(0.1));
    steps.push_back("key up " + key + (chance(0.5) ? " cmd" : "") + modifiers(0.1));
}

std::string ScenarioGenerator::typed()
{
    static const char* const words[] = { "hel", "мир", "a b", "1", "x", "HELLO", "зз", "v", "42", "~!", "é" };
    std::string text;
    const int count = between(1, 3);
    for (int i = 0; i < count; ++i)
        text += pick(words);
    return "type " + jsonString(text);
}
