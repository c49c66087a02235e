#pragma once

#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"

// A user copying plain text in some other application.
inline void copyText(PasteboardSimulated& pasteboard, const QByteArray& text)
{
    PasteboardItem item;
    item.setData(PasteboardTypes::plainText, text);
    pasteboard.userCopy({ item });
}
