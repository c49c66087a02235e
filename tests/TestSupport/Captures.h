#pragma once

#include "Clipboard/PasteboardCapture.h"

// Hand-made captures for tests of what consumes them.
namespace Captures {

inline PasteboardCapture text(const QString& text)
{
    PasteboardCapture capture;
    capture.kind = ClipboardItem::Kind::Text;
    capture.preview = text.trimmed();
    capture.items = { { { QStringLiteral("public.utf8-plain-text"), text.toUtf8() } } };
    capture.fingerprint = PasteboardCapture::fingerprintOf(capture.kind, text.toUtf8());
    return capture;
}

} // namespace Captures
