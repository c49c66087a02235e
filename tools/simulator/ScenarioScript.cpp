#include "ScenarioScript.h"

#include "ScenarioCommands.h"

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
        const auto* definition = ScenarioCommands::find(command.name);
        const int jsonIndex = definition ? definition->jsonArgument : -1;
        if (jsonIndex >= 0 && static_cast<int>(command.args.size()) > jsonIndex) {
            const auto from = command.args[jsonIndex].offset;
            command.tail = line.mid(from, tokens->end - from).trimmed();
        }
        if (tokens->tokens.front().quoted)
            problem = QStringLiteral("a command name cannot be quoted");
        else if (!definition)
            problem = QStringLiteral("unknown command \"%1\"").arg(command.name);
        else
            problem = definition->check(command);
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
