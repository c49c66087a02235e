#include "Foundation/FileTree.h"
#include "Platform/Desktop/TarArchive.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>

// A release archive comes from the network: whatever its bytes, unpacking ends, and nothing ever lands
// outside the folder it unpacks into.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir scratch;
    const QString outside = scratch.path() + QStringLiteral("/outside");
    const QString folder = outside + QStringLiteral("/inside");
    QDir().mkpath(folder);
    std::size_t offset = 0;
    (void)TarArchive::extract(
        [&](char* buffer, qint64 want) -> qint64 {
            const auto n = std::min<std::size_t>(static_cast<std::size_t>(want), size - offset);
            std::memcpy(buffer, data + offset, n);
            offset += n;
            return static_cast<qint64>(n);
        },
        folder);
    if (QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)
        != QStringList { QStringLiteral("inside") })
        std::abort();
    FileTree::remove(folder);
    return 0;
}
