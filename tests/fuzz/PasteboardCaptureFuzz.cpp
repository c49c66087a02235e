#include "Clipboard/PasteboardCapture.h"

#include "Platform/PasteboardTypes.h"
#include "Platform/Simulated/PasteboardSimulated.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>

#include <cstdlib>

namespace {

// The types a copy is made of: what the capture looks for, the markers of secret copies, and others.
const QString types[] = { PasteboardTypes::plainText, PasteboardTypes::rtf, PasteboardTypes::html,
    PasteboardTypes::url, PasteboardTypes::png, PasteboardTypes::tiff, PasteboardTypes::fileUrl,
    QStringLiteral("org.nspasteboard.ConcealedType"), QStringLiteral("org.nspasteboard.TransientType"),
    QStringLiteral("com.example.TransientPasteboardType"), QStringLiteral("TransientPasteboardType"),
    QStringLiteral("com.example.custom") };

// Some bytes start as the real thing, so that the decoders get past their first check.
QByteArray bytes(FuzzedDataProvider& input, const QString& type)
{
    QByteArray prefix;
    if (input.ConsumeBool()) {
        if (type == PasteboardTypes::png)
            prefix = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452");
        else if (type == PasteboardTypes::tiff)
            prefix = input.ConsumeBool() ? QByteArray("II*\0", 4) : QByteArray("MM\0*", 4);
        else if (type == PasteboardTypes::fileUrl)
            prefix = "file:///";
    }
    const std::string rest = input.ConsumeRandomLengthString(4096);
    return prefix + QByteArray(rest.data(), static_cast<qsizetype>(rest.size()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The image decoders' complaints about broken input would cost more than the decoding.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

// Whatever another application puts on the pasteboard, the capture refuses it or keeps a consistent record
// of it: nothing from a copy marked secret, text bytes exactly as offered, one fingerprint of 64 hex digits.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<PasteboardItem> items(input.ConsumeIntegralInRange<std::size_t>(0, 4));
    for (auto& item : items) {
        const auto count = input.ConsumeIntegralInRange<int>(0, 6);
        for (int i = 0; i < count; ++i) {
            const QString type = input.ConsumeBool()
                ? types[input.ConsumeIntegralInRange<std::size_t>(0, std::size(types) - 1)]
                : QString::fromStdString(input.ConsumeRandomLengthString(40));
            item.setData(type, bytes(input, type));
        }
    }
    PasteboardSimulated pasteboard;
    pasteboard.userCopy(items);
    const auto capture = PasteboardCapture::read(pasteboard);
    if (!capture)
        return 0;

    for (const QString& type : pasteboard.types())
        if (PasteboardCapture::isPrivateMarker(type))
            std::abort();
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
    if (!hex.match(capture->fingerprint).hasMatch() || capture->items.empty())
        std::abort();
    qsizetype total = 0;
    for (const auto& representations : capture->items) {
        if (representations.empty())
            std::abort();
        for (const auto& representation : representations) {
            total += representation.data.size();
            if (capture->kind == ClipboardItem::Kind::Files
                && representation.type != PasteboardTypes::fileUrl)
                std::abort();
        }
    }
    if (capture->kind != ClipboardItem::Kind::Files) {
        if (capture->items.size() != 1 || total > PasteboardCapture::maximumBytes)
            std::abort();
        // Text is kept byte for byte as the first item offered it.
        for (const auto& representation : capture->items.front())
            if (representation.type != PasteboardTypes::png
                && items.front().data(representation.type) != representation.data)
                std::abort();
    }
    return 0;
}
