#include "ScenarioScript.h"

#include "KeyNames.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ScenarioScript {

namespace {

struct Line {
    std::vector<Token> tokens;
    qsizetype end = 0; // just past the last token: what follows is spaces or a comment
};

std::optional<QString> decodeString(const QString& quoted)
{
    try {
        const auto value = nlohmann::json::parse(quoted.toStdString());
        if (!value.is_string())
            return std::nullopt;
        return QString::fromStdString(value.get<std::string>());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

// Splits at spaces outside strings; '#' outside a string ends the line. One pass that never steps back
// and copies each token once, so a line of megabytes takes time in proportion to its length.
std::optional<Line> tokenize(const QString& text, QString* error)
{
    Line line;
    const auto size = text.size();
    qsizetype i = 0;
    while (i < size && text[i] != u'#') {
        if (text[i].isSpace()) {
            ++i;
            continue;
        }
        const auto start = i;
        bool inString = false;
        for (; i < size && (inString || (!text[i].isSpace() && text[i] != u'#')); ++i) {
            if (inString && text[i] == u'\\')
                ++i;
            else if (text[i] == u'"')
                inString = !inString;
        }
        if (inString) {
            *error = QStringLiteral("unterminated string");
            return std::nullopt;
        }
        Token token { text.mid(start, i - start), false, start };
        if (token.text.size() >= 2 && token.text.startsWith(u'"') && token.text.endsWith(u'"')) {
            const auto decoded = decodeString(token.text);
            if (!decoded) {
                *error = QStringLiteral("bad string %1").arg(token.text);
                return std::nullopt;
            }
            token.text = *decoded;
            token.quoted = true;
        }
        line.tokens.push_back(std::move(token));
        line.end = i;
    }
    return line;
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
    return json(text) ? QString() : QStringLiteral("malformed JSON %1").arg(text);
}

QString checkDefault(const Command& command, std::size_t keyIndex)
{
    if (command.args.size() <= keyIndex + 1)
        return QStringLiteral("expected a key and a JSON value or delete");
    if (command.args.size() == keyIndex + 2 && !command.args.back().quoted
        && command.args.back().text == QLatin1String("delete"))
        return {};
    if (const auto problem = checkJson(command.tail); !problem.isEmpty())
        return problem;
    const auto value = json(command.tail);
    if (value->is_null() || value->is_array() || (value->is_object() && !value->contains("date")))
        return QStringLiteral("not a defaults value: %1").arg(command.tail);
    return {};
}

QString checkEditor(const Command& c)
{
    const auto& a = c.args;
    const auto n = a.size();
    const auto sub = n > 0 && !a[0].quoted ? a[0].text : QString();
    if (sub == QLatin1String("open")) {
        if (n != 3)
            return QStringLiteral("expected open SHOT.png SCALE");
        const auto scale = number(a[2].text);
        return scale && *scale > 0 ? QString() : QStringLiteral("the scale must be a positive number");
    }
    if (sub == QLatin1String("tool"))
        return n == 2 && !a[1].quoted
                && (a[1].text == QLatin1String("blur") || a[1].text == QLatin1String("arrow")
                    || a[1].text == QLatin1String("number"))
            ? QString()
            : QStringLiteral("expected tool blur, arrow or number");
    if (sub == QLatin1String("brush"))
        return n == 2 ? checkNumbers(a, 1, 1) : QStringLiteral("expected brush N");
    if (sub == QLatin1String("click") || sub == QLatin1String("move"))
        return n == 3 ? checkNumbers(a, 1, 2) : QStringLiteral("expected %1 X Y").arg(sub);
    if (sub == QLatin1String("drag"))
        return n >= 5 && (n - 1) % 2 == 0 ? checkNumbers(a, 1, n - 1)
                                          : QStringLiteral("expected drag X1 Y1 X2 Y2 [X Y…]");
    if (sub == QLatin1String("exit") || sub == QLatin1String("close"))
        return n == 1 ? QString() : QStringLiteral("%1 takes no arguments").arg(sub);
    if (sub == QLatin1String("button"))
        return n == 2 && a[1].quoted ? QString() : QStringLiteral("expected button \"TEXT\"");
    if (sub == QLatin1String("resize")) {
        if (n != 3)
            return QStringLiteral("expected resize W H");
        if (const auto problem = checkNumbers(a, 1, 2); !problem.isEmpty())
            return problem;
        return *number(a[1].text) <= maximumEditorSize && *number(a[2].text) <= maximumEditorSize
            ? QString()
            : QStringLiteral("a window is at most %1 points on a side").arg(maximumEditorSize);
    }
    return QStringLiteral("expected open, tool, brush, click, drag, move, exit, button, close or resize");
}

QString check(const Command& c)
{
    const auto& a = c.args;
    const auto n = a.size();
    const auto is = [&](std::size_t i, const char* word) {
        return i < n && !a[i].quoted && a[i].text == QLatin1String(word);
    };
    const QString& name = c.name;
    if (name == QLatin1String("trust") || name == QLatin1String("tap-fails")
        || name == QLatin1String("screen-access"))
        return n == 1 && isOnOff(a[0]) ? QString() : QStringLiteral("expected on or off");
    if (name == QLatin1String("front"))
        return n == 1 ? QString() : QStringLiteral("expected a bundle id, none or self");
    if (name == QLatin1String("caret")) {
        if (n == 1 && is(0, "none"))
            return {};
        return n == 4 ? checkNumbers(a, 0, 4) : QStringLiteral("expected X Y W H or none");
    }
    if (name == QLatin1String("screen")) {
        if (n != 9)
            return QStringLiteral("expected FX FY FW FH VX VY VW VH SCALE");
        if (const auto problem = checkNumbers(a, 0, 9); !problem.isEmpty())
            return problem;
        return *number(a[8].text) > 0 ? QString() : QStringLiteral("the scale must be positive");
    }
    if (name == QLatin1String("mouse"))
        return n == 2 ? checkNumbers(a, 0, 2) : QStringLiteral("expected X Y");
    if (name == QLatin1String("default"))
        return checkDefault(c, 0);
    if (name == QLatin1String("default-in"))
        return checkDefault(c, 1);
    if (name == QLatin1String("login-item")) {
        if (n == 1 && is(0, "ok"))
            return {};
        return n == 2 && is(0, "fail") && a[1].quoted ? QString()
                                                      : QStringLiteral("expected ok or fail \"MESSAGE\"");
    }
    if (name == QLatin1String("capture")) {
        if (n == 1 && (is(0, "cancel") || is(0, "fail") || is(0, "empty") || is(0, "crash")))
            return {};
        if (n == 3 && (is(0, "png") || is(0, "truncated"))) {
            const auto w = number(a[1].text), h = number(a[2].text);
            if (w && h && *w >= 1 && *h >= 1 && *w == std::floor(*w) && *h == std::floor(*h) && *w <= 20000
                && *h <= 20000)
                return {};
            return QStringLiteral("the size must be whole numbers from 1 to 20000");
        }
        return QStringLiteral("expected png W H, truncated W H, cancel, fail, empty or crash");
    }
    if (name == QLatin1String("capture-time")) {
        const auto seconds = n == 1 ? number(a[0].text) : std::nullopt;
        return seconds && *seconds >= 0 && *seconds <= maximumWait
            ? QString()
            : QStringLiteral("expected a number of seconds up to %1").arg(maximumWait);
    }
    if (name == QLatin1String("thumbnail"))
        return (n == 1 && (is(0, "click") || is(0, "drag"))) || (n == 2 && is(0, "hover") && isOnOff(a[1]))
            ? QString()
            : QStringLiteral("expected click, hover on|off or drag");
    if (name == QLatin1String("app"))
        return n == 1 && appOperations.contains(a[0].text)
            ? QString()
            : QStringLiteral("expected one of %1").arg(appOperations.join(u' '));
    if (name == QLatin1String("menu") && n == 1 && (is(0, "open") || is(0, "close")))
        return {};
    if (name == QLatin1String("system-shortcut") || name == QLatin1String("hotkey-taken"))
        return n >= 1 ? checkKeyAndModifiers(a, 0, n) : QStringLiteral("expected KEY [MOD…]");
    if (name == QLatin1String("recorder"))
        return n == 1 && is(0, "click") ? QString() : QStringLiteral("expected click");
    if (name == QLatin1String("settings")) {
        if (n == 3 && is(0, "choose") && a[1].quoted && a[2].quoted)
            return {};
        if (n == 2 && (is(0, "toggle") || is(0, "click")) && a[1].quoted)
            return {};
        return QStringLiteral("expected choose \"ROW\" \"CHOICE\", toggle \"ROW\" or click \"ROW\"");
    }
    if (name == QLatin1String("answer") || name == QLatin1String("menu") || name == QLatin1String("type")
        || name == QLatin1String("click"))
        return n == 1 && a[0].quoted ? QString() : QStringLiteral("expected one quoted string");
    if (name == QLatin1String("snapshot"))
        return n == 2 ? QString() : QStringLiteral("expected a window key (or picker) and a PNG path");
    if (name == QLatin1String("folder"))
        return n == 1 ? QString() : QStringLiteral("expected a path or cancel");
    if (name == QLatin1String("http")) {
        if (n == 2 && is(1, "fail"))
            return {};
        if (n >= 2) {
            const auto status = number(a[1].text);
            if (!status || *status != std::floor(*status) || *status < 100 || *status > 599)
                return QStringLiteral("bad HTTP status \"%1\"").arg(a[1].text);
        }
        if (n == 3 && a[2].quoted)
            return {};
        if (n == 4 && (is(2, "file") || is(2, "image")))
            return {};
        return QStringLiteral(
            "expected URL STATUS \"BODY\", URL STATUS file PATH, URL STATUS image NAME or URL fail");
    }
    if (name == QLatin1String("disk-image")) {
        if (n == 0)
            return QStringLiteral("expected a name");
        for (std::size_t i = 1; i < n; i += 2) {
            if (i + 1 >= n)
                return QStringLiteral("\"%1\" needs a value").arg(a[i].text);
            if ((is(i, "app") || is(i, "id") || is(i, "version")) && a[i + 1].quoted)
                continue;
            if (is(i, "signer") && (is(i + 1, "same") || is(i + 1, "other") || is(i + 1, "none")))
                continue;
            if (is(i, "mount") && is(i + 1, "fail"))
                continue;
            return QStringLiteral(
                "expected app \"X.app\", id \"ID\", version \"V\", signer same|other|none or mount fail");
        }
        return {};
    }
    if (name == QLatin1String("bundle")) {
        if (n == 1 && (is(0, "signed") || is(0, "adhoc")))
            return {};
        if (n == 2 && is(0, "version") && (a[1].quoted || is(1, "none")))
            return {};
        return QStringLiteral("expected signed, adhoc, version \"V\" or version none");
    }
    if (name == QLatin1String("update-base"))
        return n == 1 ? QString() : QStringLiteral("expected a URL");
    if (name == QLatin1String("swap"))
        return n == 2 && is(0, "fail") && a[1].quoted ? QString()
                                                      : QStringLiteral("expected fail \"DESCRIPTION\"");
    if (name == QLatin1String("editor"))
        return checkEditor(c);
    if (name == QLatin1String("start"))
        return n == 0 ? QString() : QStringLiteral("start takes no arguments");
    if (name == QLatin1String("wait")) {
        if (n != 1 || !number(a[0].text) || *number(a[0].text) < 0)
            return QStringLiteral("expected a number of seconds");
        if (*number(a[0].text) > maximumWait)
            return QStringLiteral("a wait is at most %1 seconds; split a longer one").arg(maximumWait);
        return {};
    }
    if (name == QLatin1String("copy")) {
        if (n == 0)
            return QStringLiteral("expected at least one item");
        qsizetype letters = 0;
        for (const auto& token : a) {
            QString problem;
            const auto representations = item(token.text, &problem);
            if (!representations)
                return problem;
            for (const auto& [type, value] : *representations)
                letters += value.count;
            // Checked as they add up: a line of such values must not ask for more than memory holds.
            if (letters > maximumLetters)
                return QStringLiteral("one copy holds at most %1 bytes of bytes:N").arg(maximumLetters);
        }
        return {};
    }
    if (name == QLatin1String("key")) {
        if (!(is(0, "down") || is(0, "up") || is(0, "repeat")))
            return QStringLiteral("expected down, up or repeat");
        return checkKeyAndModifiers(a, 1, n);
    }
    if (name == QLatin1String("press"))
        return checkKeyAndModifiers(a, 0, n);
    if (name == QLatin1String("hold")) {
        if (n < 2 || !number(a[n - 1].text) || *number(a[n - 1].text) < 0)
            return QStringLiteral("expected KEY [MOD…] SECONDS");
        if (*number(a[n - 1].text) > maximumHold)
            return QStringLiteral("a hold lasts at most %1 seconds").arg(maximumHold);
        return checkKeyAndModifiers(a, 0, n - 1);
    }
    if (name == QLatin1String("picker")) {
        if (n != 2 || !is(0, "click"))
            return QStringLiteral("expected click N");
        const auto row = number(a[1].text);
        if (!row || *row < 1 || *row != std::floor(*row) || *row > std::numeric_limits<int>::max())
            return QStringLiteral("the row must be a whole number from 1 to %1")
                .arg(std::numeric_limits<int>::max());
        return {};
    }
    if (name == QLatin1String("dump"))
        return n == 1 && dumpSections.contains(a[0].text)
            ? QString()
            : QStringLiteral("expected one of %1").arg(dumpSections.join(u' '));
    if (name == QLatin1String("expect")) {
        if (n < 3)
            return QStringLiteral("expected PATH OP JSON");
        if (!path(a[0].text))
            return QStringLiteral("bad path \"%1\"").arg(a[0].text);
        if (!operators.contains(a[1].text))
            return QStringLiteral("unknown operator \"%1\"").arg(a[1].text);
        return checkJson(c.tail);
    }
    return QStringLiteral("unknown command \"%1\"").arg(name);
}

// Where the JSON value starts: after the key of `default`, the domain and key of `default-in`, and the
// path and operator of `expect`.
int jsonArgument(const QString& name)
{
    if (name == QLatin1String("default"))
        return 1;
    if (name == QLatin1String("default-in") || name == QLatin1String("expect"))
        return 2;
    return -1;
}

} // namespace

Parsed parse(const QString& text)
{
    Parsed parsed;
    const auto lines = text.split(u'\n');
    for (int index = 0; index < lines.size(); ++index) {
        QString line = lines[index];
        if (line.endsWith(u'\r'))
            line.chop(1);
        QString problem;
        const auto tokens = tokenize(line, &problem);
        if (!tokens) {
            parsed.error = Error { index + 1, problem };
            return parsed;
        }
        if (tokens->tokens.empty())
            continue;
        Command command;
        command.line = index + 1;
        command.name = tokens->tokens.front().text;
        command.args.assign(tokens->tokens.begin() + 1, tokens->tokens.end());
        const int jsonIndex = jsonArgument(command.name);
        if (jsonIndex >= 0 && static_cast<int>(command.args.size()) > jsonIndex) {
            const auto from = command.args[jsonIndex].offset;
            command.tail = line.mid(from, tokens->end - from).trimmed();
        }
        if (tokens->tokens.front().quoted)
            problem = QStringLiteral("a command name cannot be quoted");
        else
            problem = check(command);
        if (!problem.isEmpty()) {
            parsed.error = Error { index + 1, problem };
            return parsed;
        }
        parsed.commands.push_back(std::move(command));
    }
    return parsed;
}

std::optional<double> number(const QString& text)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    const auto value = text.toDouble();
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QString typeAlias(const QString& type)
{
    static const QHash<QString, QString> aliases {
        { QStringLiteral("text"), QStringLiteral("public.utf8-plain-text") },
        { QStringLiteral("rtf"), QStringLiteral("public.rtf") },
        { QStringLiteral("html"), QStringLiteral("public.html") },
        { QStringLiteral("url"), QStringLiteral("public.url") },
        { QStringLiteral("png"), QStringLiteral("public.png") },
        { QStringLiteral("tiff"), QStringLiteral("public.tiff") },
        { QStringLiteral("file-url"), QStringLiteral("public.file-url") },
        { QStringLiteral("concealed"), QStringLiteral("org.nspasteboard.ConcealedType") },
        { QStringLiteral("transient"), QStringLiteral("org.nspasteboard.TransientType") },
    };
    return aliases.value(type, type);
}

namespace {

std::optional<QSize> imageSize(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,5})x([0-9]{1,5})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QSize size(match.captured(1).toInt(), match.captured(2).toInt());
    if (size.width() < 1 || size.height() < 1 || size.width() > 20000 || size.height() > 20000)
        return std::nullopt;
    return size;
}

std::optional<Value> value(const QString& text, QString* error)
{
    Value value;
    if (text.startsWith(u'"')) {
        const auto decoded = decodeString(text);
        if (!decoded) {
            *error = QStringLiteral("bad string %1").arg(text);
            return std::nullopt;
        }
        value.bytes = decoded->toUtf8();
        return value;
    }
    const auto colon = text.indexOf(u':');
    const auto scheme = text.left(colon);
    const auto rest = colon < 0 ? QString() : text.mid(colon + 1);
    if (scheme == QLatin1String("png") || scheme == QLatin1String("tiff")) {
        const auto size = imageSize(rest);
        if (!size) {
            *error = QStringLiteral("bad image size \"%1\"").arg(rest);
            return std::nullopt;
        }
        value.kind = scheme == QLatin1String("png") ? Value::Kind::Png : Value::Kind::Tiff;
        value.size = *size;
        return value;
    }
    if (scheme == QLatin1String("bytes")) {
        bool ok = false;
        const auto count = rest.toInt(&ok);
        if (!ok || count < 0 || count > maximumLetters) {
            *error = QStringLiteral("bad byte count \"%1\"").arg(rest);
            return std::nullopt;
        }
        value.kind = Value::Kind::Letters;
        value.count = count;
        return value;
    }
    if (scheme == QLatin1String("hex")) {
        const bool allHex = std::all_of(rest.cbegin(), rest.cend(), [](QChar c) {
            return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        });
        if (rest.size() % 2 != 0 || !allHex) {
            *error = QStringLiteral("bad hex \"%1\"").arg(rest);
            return std::nullopt;
        }
        value.bytes = QByteArray::fromHex(rest.toLatin1());
        return value;
    }
    if (scheme == QLatin1String("file") && !rest.isEmpty()) {
        value.kind = Value::Kind::File;
        value.path = rest.startsWith(u'"') ? decodeString(rest).value_or(QString()) : rest;
        if (value.path.isEmpty()) {
            *error = QStringLiteral("bad file path \"%1\"").arg(rest);
            return std::nullopt;
        }
        return value;
    }
    *error = QStringLiteral("bad value \"%1\"").arg(text);
    return std::nullopt;
}

// Splits at `separator` outside strings.
QStringList splitOutsideStrings(const QString& text, QChar separator)
{
    QStringList parts;
    QString current;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString && c == u'\\' && i + 1 < text.size()) {
            current += c;
            current += text[++i];
            continue;
        }
        if (c == u'"')
            inString = !inString;
        if (c == separator && !inString) {
            parts.append(current);
            current.clear();
            continue;
        }
        current += c;
    }
    parts.append(current);
    return parts;
}

} // namespace

std::optional<ItemRepresentations> item(const QString& text, QString* error)
{
    ItemRepresentations representations;
    for (const auto& pair : splitOutsideStrings(text, u',')) {
        const auto equals = pair.indexOf(u'=');
        if (equals <= 0) {
            *error = QStringLiteral("expected TYPE=VALUE in \"%1\"").arg(pair);
            return std::nullopt;
        }
        const auto parsed = value(pair.mid(equals + 1), error);
        if (!parsed)
            return std::nullopt;
        representations.emplace_back(typeAlias(pair.left(equals)), *parsed);
    }
    return representations;
}

std::optional<nlohmann::json> json(const QString& text)
{
    try {
        return nlohmann::json::parse(text.toStdString());
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

std::optional<std::vector<PathStep>> path(const QString& text)
{
    std::vector<PathStep> steps;
    qsizetype i = 0;
    const auto size = text.size();
    bool expectName = true;
    while (i < size) {
        if (text[i] == u'[') {
            const auto close = text.indexOf(u']', i);
            if (close < 0)
                return std::nullopt;
            const auto inside = text.mid(i + 1, close - i - 1);
            if (inside.startsWith(u'"')) {
                // A quoted key may itself hold ']': find the closing quote first.
                qsizetype end = i + 2;
                while (end < size && text[end] != u'"')
                    end += text[end] == u'\\' ? 2 : 1;
                if (end + 1 >= size || text[end + 1] != u']')
                    return std::nullopt;
                const auto key = decodeString(text.mid(i + 1, end - i));
                if (!key)
                    return std::nullopt;
                steps.push_back({ *key, 0 });
                i = end + 2;
            } else {
                bool ok = false;
                const auto index = inside.toUInt(&ok);
                if (!ok)
                    return std::nullopt;
                steps.push_back({ std::nullopt, index });
                i = close + 1;
            }
            expectName = false;
            continue;
        }
        if (text[i] == u'.') {
            if (expectName)
                return std::nullopt;
            ++i;
            expectName = true;
            continue;
        }
        if (!expectName)
            return std::nullopt;
        qsizetype end = i;
        while (end < size && text[end] != u'.' && text[end] != u'[')
            ++end;
        steps.push_back({ text.mid(i, end - i), 0 });
        i = end;
        expectName = false;
    }
    if (steps.empty() || expectName)
        return std::nullopt;
    return steps;
}

} // namespace ScenarioScript
