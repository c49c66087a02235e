#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <nlohmann/json.hpp>

#include <optional>
#include <utility>
#include <vector>

// A scenario file read into commands. Every command is checked when the file is read, so a malformed
// scenario is refused before anything runs.
namespace ScenarioScript {

struct Token {
    QString text; // the decoded string for a quoted token, else the token as written
    bool quoted = false;
    qsizetype offset = 0; // where it starts in its line
};

struct Command {
    int line = 0;
    QString name;
    std::vector<Token> args;
    // The rest of the line from argument `index` on: the JSON of `default` and `expect`.
    QString tail;
};

// One representation of a copied pasteboard item, before its bytes are made.
struct Value {
    enum class Kind { Bytes, Letters, Png, Tiff, File };
    Kind kind = Kind::Bytes;
    QByteArray bytes;
    qsizetype count = 0; // Letters: this many letters 'a', made only when the copy runs
    QSize size;
    QString path;
};
using ItemRepresentations = std::vector<std::pair<QString, Value>>;

struct Error {
    int line = 0;
    QString reason;
};

// The commands of `text`, or the first line that is malformed and why.
struct Parsed {
    std::vector<Command> commands;
    std::optional<Error> error;
};
Parsed parse(const QString& text);

// The longest `wait` and `hold`, in seconds: every due task of a wait runs, and every held 0.05 s prints a
// repeat, so bigger numbers would run for hours or print millions of lines.
constexpr double maximumWait = 86400;
constexpr double maximumHold = 60;
// The largest editor window `editor resize` asks for, in points on a side: beyond it the window's own
// drawing surface would not fit in memory.
constexpr double maximumEditorSize = 10000;
// The most letters the `bytes:N` values of one `copy` may ask for together.
constexpr qsizetype maximumLetters = 256 * 1024 * 1024;

// The most bytes an `http … file PATH` answer takes from its file.
constexpr qint64 maximumHttpFile = 64 * 1024 * 1024;

// Pieces shared by the checks and the runner.
std::optional<double> number(const QString& text);
std::optional<ItemRepresentations> item(const QString& text, QString* error);
QString typeAlias(const QString& type);
std::optional<nlohmann::json> json(const QString& text);

// One step of an `expect` path: a key or an index.
struct PathStep {
    std::optional<QString> key;
    std::size_t index = 0;
};
std::optional<std::vector<PathStep>> path(const QString& text);

inline const QStringList dumpSections = { QStringLiteral("all"), QStringLiteral("app"),
    QStringLiteral("settings"), QStringLiteral("history"), QStringLiteral("pasteboard"),
    QStringLiteral("picker"), QStringLiteral("windows"), QStringLiteral("defaults"), QStringLiteral("files"),
    QStringLiteral("bundle"), QStringLiteral("editor"), QStringLiteral("shortcuts"),
    QStringLiteral("settingsWindow"), QStringLiteral("thumbnail"), QStringLiteral("screenshots") };
inline const QStringList operators = { QStringLiteral("=="), QStringLiteral("!="), QStringLiteral("<"),
    QStringLiteral("<="), QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("contains") };

} // namespace ScenarioScript
