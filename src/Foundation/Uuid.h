#pragma once

#include <QString>

#include <optional>

// UUIDs in their canonical text form: 8-4-4-4-12 upper-case hexadecimal digits.
namespace Uuid {

QString create();

// The canonical form of `text` when it is a UUID written as 8-4-4-4-12 hexadecimal digits (either case),
// nothing otherwise. Only texts that pass this may become file names.
std::optional<QString> canonical(const QString& text);

} // namespace Uuid
