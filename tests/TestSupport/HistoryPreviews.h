#pragma once

#include "Clipboard/ClipboardHistory.h"

#include <QStringList>

// The history's previews, newest first: the shortest way to say what a history holds.
inline QStringList previewsOf(const ClipboardHistory& history)
{
    QStringList result;
    for (const auto& item : history.items())
        result.append(item.preview);
    return result;
}
