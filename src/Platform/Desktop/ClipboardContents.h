#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// What one read of another client's copy gathered, on X11 and on Wayland alike.
struct ClipboardContents {
    // Every format the owner offered, in its order.
    QStringList offered;
    // The chosen formats the owner sent, in the order they were asked for.
    std::vector<std::pair<QString, QByteArray>> data;
};
