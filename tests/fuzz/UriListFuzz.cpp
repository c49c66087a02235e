#include "Clipboard/PasteboardCapture.h"

#include "Platform/Desktop/PasteboardDesktop.h"
#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QMimeData>
#include <QUrl>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The image decoders' complaints about broken input would cost more than the decoding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

// A desktop clipboard's uri-list, perhaps beside other formats, becomes pasteboard items and then a file
// copy: every item the list gives is one URL, and a recorded file copy keeps only local file URLs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const others[] = { "text/plain;charset=utf-8", "text/plain", "text/html", "image/png",
        "x-kde-passwordManagerHint", "TARGETS", "application/x-custom" };
    FuzzedDataProvider input(data, size);
    QMimeData mime;
    const auto extra = input.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < extra; ++i) {
        const auto format = others[input.ConsumeIntegralInRange<std::size_t>(0, std::size(others) - 1)];
        const std::string bytes = input.ConsumeRandomLengthString(256);
        mime.setData(
            QString::fromLatin1(format), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    const std::string list = input.ConsumeRemainingBytesAsString();
    mime.setData(
        QStringLiteral("text/uri-list"), QByteArray(list.data(), static_cast<qsizetype>(list.size())));

    const auto items = PasteboardDesktop::itemsFromMime(mime);
    for (const auto& item : items)
        if (item.representations.empty())
            std::abort();
    PasteboardSimulated pasteboard;
    pasteboard.userCopy(items);
    const auto capture = PasteboardCapture::read(pasteboard);
    if (!capture || capture->kind != ClipboardItem::Kind::Files)
        return 0;
    for (const auto& representations : capture->items) {
        if (representations.size() != 1 || representations.front().type != PasteboardTypes::fileUrl)
            std::abort();
        const QUrl url = QUrl::fromEncoded(representations.front().data, QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty())
            std::abort();
    }
    return 0;
}
