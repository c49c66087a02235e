#pragma once

#include <QString>

// Uniform type identifiers the program reads and writes on the pasteboard.
namespace PasteboardTypes {

inline const QString plainText = QStringLiteral("public.utf8-plain-text");
inline const QString rtf = QStringLiteral("public.rtf");
inline const QString html = QStringLiteral("public.html");
inline const QString url = QStringLiteral("public.url");
inline const QString png = QStringLiteral("public.png");
inline const QString tiff = QStringLiteral("public.tiff");
inline const QString fileUrl = QStringLiteral("public.file-url");

} // namespace PasteboardTypes
