#include "ScenarioChecks.h"

#include "EditorDriver.h"
#include "KeyNames.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace ScenarioChecks {

using ScenarioScript::number;
using ScenarioScript::Token;

namespace {

bool isWord(const std::vector<Token>& a, std::size_t i, const char* word)
{
    return i < a.size() && !a[i].quoted && a[i].text == QLatin1String(word);
}

bool isOnOff(const Token& token)
{
    return !token.quoted && (token.text == QLatin1String("on") || token.text == QLatin1String("off"));
}

constexpr int maximumJsonDepth = 64;

QString checkNumbers(const std::vector<Token>& args, std::size_t from, std::size_t count)
{
    for (std::size_t i = from; i < from + count; ++i)
        if (!number(args[i].text))
            return QStringLiteral("\"%1\" is not a number").arg(args[i].text);
    return {};
}

QString checkKeyAndModifiers(const std::vector<Token>& args, std::size_t from, std::size_t end)
{
    if (from >= end)
        return QStringLiteral("a key is missing");
    if (!KeyNames::key(args[from].text))
        return QStringLiteral("unknown key \"%1\"").arg(args[from].text);
    for (auto i = from + 1; i < end; ++i)
        if (!KeyNames::modifier(args[i].text))
            return QStringLiteral("unknown modifier \"%1\"").arg(args[i].text);
    return {};
}

// How deeply arrays and objects nest in JSON text, strings skipped.
int nestingDepth(const QString& text)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString) {
            if (c == u'\\')
                ++i;
            else if (c == u'"')
                inString = false;
        } else if (c == u'"') {
            inString = true;
        } else if (c == u'[' || c == u'{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == u']' || c == u'}') {
            --depth;
        }
    }
    return deepest;
}

QString checkJson(const QString& text)
{
    if (text.isEmpty())
        return QStringLiteral("a JSON value is missing");
    // The transcript prints expected values back, one level of recursion per level of nesting.
    if (nestingDepth(text) > maximumJsonDepth)
        return QStringLiteral("JSON nested deeper than %1 levels").arg(maximumJsonDepth);
    return ScenarioScript::json(text) ? QString() : QStringLiteral("malformed JSON %1").arg(text);
}

QString checkDefault(const Command& command, std::size_t keyIndex)
{
    if (command.args.size() <= keyIndex + 1)
        return QStringLiteral("expected a key and a JSON value or delete");
    if (command.args.size() == keyIndex + 2 && isWord(command.args, keyIndex + 1, "delete"))
        return {};
    if (const auto problem = checkJson(command.tail); !problem.isEmpty())
        return problem;
    const auto value = ScenarioScript::json(command.tail);
    if (value->is_null() || value->is_array() || (value->is_object() && !value->contains("date")))
        return QStringLiteral("not a defaults value: %1").arg(command.tail);
    return {};
}

bool wholeNumberIn(const QString& text, double low, double high)
{
    const auto value = number(text);
    return value && *value == std::floor(*value) && *value >= low && *value <= high;
}

} // namespace

QString onOff(const Command& c)
{
    return c.args.size() == 1 && isOnOff(c.args[0]) ? QString() : QStringLiteral("expected on or off");
}

QString front(const Command& c)
{
    return c.args.size() == 1 ? QString() : QStringLiteral("expected a bundle id, none or self");
}

QString caret(const Command& c)
{
    if (c.args.size() == 1 && isWord(c.args, 0, "none"))
        return {};
    return c.args.size() == 4 ? checkNumbers(c.args, 0, 4) : QStringLiteral("expected X Y W H or none");
}

QString screen(const Command& c)
{
    if (c.args.size() != 9)
        return QStringLiteral("expected FX FY FW FH VX VY VW VH SCALE");
    if (const auto problem = checkNumbers(c.args, 0, 9); !problem.isEmpty())
        return problem;
    return *number(c.args[8].text) > 0 ? QString() : QStringLiteral("the scale must be positive");
}

QString mouse(const Command& c)
{
    return c.args.size() == 2 ? checkNumbers(c.args, 0, 2) : QStringLiteral("expected X Y");
}

QString defaultValue(const Command& c)
{
    return checkDefault(c, 0);
}

QString defaultInDomain(const Command& c)
{
    return checkDefault(c, 1);
}

QString loginItem(const Command& c)
{
    const auto& a = c.args;
    if (a.size() == 1 && isWord(a, 0, "ok"))
        return {};
    return a.size() == 2 && isWord(a, 0, "fail") && a[1].quoted
        ? QString()
        : QStringLiteral("expected ok or fail \"MESSAGE\"");
}

QString capture(const Command& c)
{
    const auto& a = c.args;
    if (a.size() == 1
        && (isWord(a, 0, "cancel") || isWord(a, 0, "fail") || isWord(a, 0, "empty") || isWord(a, 0, "crash")))
        return {};
    if (a.size() == 3 && (isWord(a, 0, "png") || isWord(a, 0, "truncated"))) {
        if (wholeNumberIn(a[1].text, 1, 20000) && wholeNumberIn(a[2].text, 1, 20000))
            return {};
        return QStringLiteral("the size must be whole numbers from 1 to 20000");
    }
    return QStringLiteral("expected png W H, truncated W H, cancel, fail, empty or crash");
}

QString captureTime(const Command& c)
{
    const auto seconds = c.args.size() == 1 ? number(c.args[0].text) : std::nullopt;
    return seconds && *seconds >= 0 && *seconds <= ScenarioScript::maximumWait
        ? QString()
        : QStringLiteral("expected a number of seconds up to %1").arg(ScenarioScript::maximumWait);
}

QString thumbnail(const Command& c)
{
    const auto& a = c.args;
    return (a.size() == 1 && (isWord(a, 0, "click") || isWord(a, 0, "drag")))
            || (a.size() == 2 && isWord(a, 0, "hover") && isOnOff(a[1]))
        ? QString()
        : QStringLiteral("expected click, hover on|off or drag");
}

QString app(const Command& c, const QStringList& operations)
{
    return c.args.size() == 1 && operations.contains(c.args[0].text)
        ? QString()
        : QStringLiteral("expected one of %1").arg(operations.join(u' '));
}

QString menu(const Command& c)
{
    if (c.args.size() == 1 && (isWord(c.args, 0, "open") || isWord(c.args, 0, "close")))
        return {};
    return oneQuotedString(c);
}

QString keyCombination(const Command& c)
{
    return !c.args.empty() ? checkKeyAndModifiers(c.args, 0, c.args.size())
                           : QStringLiteral("expected KEY [MOD…]");
}

QString recorder(const Command& c)
{
    return c.args.size() == 1 && isWord(c.args, 0, "click") ? QString() : QStringLiteral("expected click");
}

QString settings(const Command& c)
{
    const auto& a = c.args;
    if (a.size() == 3 && isWord(a, 0, "choose") && a[1].quoted && a[2].quoted)
        return {};
    if (a.size() == 2 && (isWord(a, 0, "toggle") || isWord(a, 0, "click")) && a[1].quoted)
        return {};
    return QStringLiteral("expected choose \"ROW\" \"CHOICE\", toggle \"ROW\" or click \"ROW\"");
}

QString oneQuotedString(const Command& c)
{
    return c.args.size() == 1 && c.args[0].quoted ? QString() : QStringLiteral("expected one quoted string");
}

QString snapshot(const Command& c)
{
    return c.args.size() == 2 ? QString()
                              : QStringLiteral("expected a window key (or picker) and a PNG path");
}

QString folder(const Command& c)
{
    return c.args.size() == 1 ? QString() : QStringLiteral("expected a path or cancel");
}

QString http(const Command& c)
{
    const auto& a = c.args;
    const auto n = a.size();
    if (n == 2 && isWord(a, 1, "fail"))
        return {};
    if (n >= 2 && !wholeNumberIn(a[1].text, 100, 599))
        return QStringLiteral("bad HTTP status \"%1\"").arg(a[1].text);
    if (n == 3 && a[2].quoted)
        return {};
    if (n == 4 && (isWord(a, 2, "file") || isWord(a, 2, "image")))
        return {};
    return QStringLiteral(
        "expected URL STATUS \"BODY\", URL STATUS file PATH, URL STATUS image NAME or URL fail");
}

QString diskImage(const Command& c)
{
    const auto& a = c.args;
    const auto n = a.size();
    if (n == 0)
        return QStringLiteral("expected a name");
    for (std::size_t i = 1; i < n; i += 2) {
        if (i + 1 >= n)
            return QStringLiteral("\"%1\" needs a value").arg(a[i].text);
        if ((isWord(a, i, "app") || isWord(a, i, "id") || isWord(a, i, "version")) && a[i + 1].quoted)
            continue;
        if (isWord(a, i, "signer")
            && (isWord(a, i + 1, "same") || isWord(a, i + 1, "other") || isWord(a, i + 1, "none")))
            continue;
        if (isWord(a, i, "mount") && isWord(a, i + 1, "fail"))
            continue;
        return QStringLiteral(
            "expected app \"X.app\", id \"ID\", version \"V\", signer same|other|none or mount fail");
    }
    return {};
}

QString bundle(const Command& c)
{
    const auto& a = c.args;
    if (a.size() == 1 && (isWord(a, 0, "signed") || isWord(a, 0, "adhoc")))
        return {};
    if (a.size() == 2 && isWord(a, 0, "version") && (a[1].quoted || isWord(a, 1, "none")))
        return {};
    return QStringLiteral("expected signed, adhoc, version \"V\" or version none");
}

QString updateBase(const Command& c)
{
    return c.args.size() == 1 ? QString() : QStringLiteral("expected a URL");
}

QString swap(const Command& c)
{
    return c.args.size() == 2 && isWord(c.args, 0, "fail") && c.args[1].quoted
        ? QString()
        : QStringLiteral("expected fail \"DESCRIPTION\"");
}

QString editor(const Command& c)
{
    return EditorDriver::check(c);
}

QString start(const Command& c)
{
    return c.args.empty() ? QString() : QStringLiteral("start takes no arguments");
}

QString wait(const Command& c)
{
    if (c.args.size() != 1 || !number(c.args[0].text) || *number(c.args[0].text) < 0)
        return QStringLiteral("expected a number of seconds");
    if (*number(c.args[0].text) > ScenarioScript::maximumWait)
        return QStringLiteral("a wait is at most %1 seconds; split a longer one")
            .arg(ScenarioScript::maximumWait);
    return {};
}

QString copy(const Command& c)
{
    if (c.args.empty())
        return QStringLiteral("expected at least one item");
    qsizetype letters = 0;
    for (const auto& token : c.args) {
        QString problem;
        const auto representations = ScenarioScript::item(token.text, &problem);
        if (!representations)
            return problem;
        for (const auto& [type, value] : *representations)
            letters += value.count;
        // Checked as they add up: a line of such values must not ask for more than memory holds.
        if (letters > ScenarioScript::maximumLetters)
            return QStringLiteral("one copy holds at most %1 bytes of bytes:N")
                .arg(ScenarioScript::maximumLetters);
    }
    return {};
}

QString key(const Command& c)
{
    if (!(isWord(c.args, 0, "down") || isWord(c.args, 0, "up") || isWord(c.args, 0, "repeat")))
        return QStringLiteral("expected down, up or repeat");
    return checkKeyAndModifiers(c.args, 1, c.args.size());
}

QString press(const Command& c)
{
    return checkKeyAndModifiers(c.args, 0, c.args.size());
}

QString hold(const Command& c)
{
    const auto& a = c.args;
    const auto n = a.size();
    if (n < 2 || !number(a[n - 1].text) || *number(a[n - 1].text) < 0)
        return QStringLiteral("expected KEY [MOD…] SECONDS");
    if (*number(a[n - 1].text) > ScenarioScript::maximumHold)
        return QStringLiteral("a hold lasts at most %1 seconds").arg(ScenarioScript::maximumHold);
    return checkKeyAndModifiers(a, 0, n - 1);
}

QString picker(const Command& c)
{
    if (c.args.size() != 2 || !isWord(c.args, 0, "click"))
        return QStringLiteral("expected click N");
    if (!wholeNumberIn(c.args[1].text, 1, std::numeric_limits<int>::max()))
        return QStringLiteral("the row must be a whole number from 1 to %1")
            .arg(std::numeric_limits<int>::max());
    return {};
}

QString dump(const Command& c)
{
    return c.args.size() == 1 && ScenarioScript::dumpSections.contains(c.args[0].text)
        ? QString()
        : QStringLiteral("expected one of %1").arg(ScenarioScript::dumpSections.join(u' '));
}

QString expect(const Command& c)
{
    const auto& a = c.args;
    if (a.size() < 3)
        return QStringLiteral("expected PATH OP JSON");
    if (!ScenarioScript::path(a[0].text))
        return QStringLiteral("bad path \"%1\"").arg(a[0].text);
    if (!ScenarioScript::operators.contains(a[1].text))
        return QStringLiteral("unknown operator \"%1\"").arg(a[1].text);
    return checkJson(c.tail);
}

} // namespace ScenarioChecks
