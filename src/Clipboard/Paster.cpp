#include "Clipboard/Paster.h"

#include "Clipboard/ClipboardHistory.h"
#include "Clipboard/ImageDecoding.h"
#include "Clipboard/PasteboardCapture.h"
#include "Foundation/RegularFile.h"
#include "Platform/KeyEvent.h"
#include "Platform/KeyboardEvents.h"
#include "Platform/Pasteboard.h"
#include "Platform/PasteboardTypes.h"

#include <QBuffer>
#include <QImage>
#include <QStringList>
#include <QUrl>

namespace Paster {

namespace {

std::optional<QByteArray> readFile(const QString& path)
{
    // No representation was ever stored larger than a capture may hold.
    return RegularFile::bytes(path, PasteboardCapture::maximumBytes);
}

// The TIFF copy that applications which only read TIFF need; empty when it cannot be made.
QByteArray tiffOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    if (!image.save(&out, "TIFF"))
        return {};
    return bytes;
}

// The same from encoded bytes; nothing when they are not an image.
std::optional<QByteArray> tiffFromImage(const QByteArray& bytes)
{
    // The bytes were copied from another application: decoded within the same bounds as when recorded.
    const QImage image = ImageDecoding::decode(bytes);
    if (image.isNull())
        return std::nullopt;
    QByteArray made = tiffOf(image);
    if (made.isEmpty())
        return std::nullopt;
    return made;
}

void addWithTiff(PasteboardItem& item, const QString& type, const QByteArray& bytes)
{
    item.setData(type, bytes);
    if (type == PasteboardTypes::png)
        if (auto tiff = tiffFromImage(bytes))
            item.setData(PasteboardTypes::tiff, *tiff);
}

std::optional<long long> writeFiles(const ClipboardItem& item, const QString& folder, Pasteboard& pasteboard)
{
    std::vector<QUrl> urls;
    for (qsizetype i = 0; i < item.itemTypes.size(); ++i) {
        const auto bytes = readFile(folder + u'/' + QString::number(i) + QStringLiteral("-0"));
        if (!bytes)
            continue;
        const QString text = QString::fromUtf8(*bytes);
        if (text.toUtf8() != *bytes)
            continue; // not UTF-8
        const QUrl url(text, QUrl::StrictMode);
        if (!url.isValid() || url.isEmpty())
            continue;
        urls.push_back(url);
    }
    if (urls.empty())
        return std::nullopt;
    pasteboard.clearContents();
    pasteboard.writeUrls(urls);
    return pasteboard.changeCount();
}

std::optional<long long> writeRepresentations(
    const ClipboardItem& item, const QString& folder, Pasteboard& pasteboard)
{
    std::vector<PasteboardItem> items;
    for (qsizetype i = 0; i < item.itemTypes.size(); ++i) {
        PasteboardItem restored;
        const QStringList& types = item.itemTypes[i];
        for (qsizetype j = 0; j < types.size(); ++j) {
            const auto bytes = readFile(folder + u'/' + QString::number(i) + u'-' + QString::number(j));
            if (!bytes)
                continue;
            addWithTiff(restored, types[j], *bytes);
        }
        if (!restored.representations.empty())
            items.push_back(std::move(restored));
    }
    // Clearing the user's clipboard for an entry whose files are all gone would lose what they had copied
    // and paste nothing, so such an entry writes nothing at all.
    if (items.empty())
        return std::nullopt;
    pasteboard.clearContents();
    pasteboard.writeItems(items);
    return pasteboard.changeCount();
}

} // namespace

std::optional<long long> write(
    const ClipboardItem& item, const ClipboardHistory& history, Pasteboard& pasteboard)
{
    const QString folder = history.entryFolder(item);
    if (item.kind == ClipboardItem::Kind::Files)
        return writeFiles(item, folder, pasteboard);
    return writeRepresentations(item, folder, pasteboard);
}

void copyImage(const QByteArray& png, Pasteboard& pasteboard)
{
    copyImage(imageItem(png), pasteboard);
}

PasteboardItem imageItem(const QByteArray& png)
{
    PasteboardItem item;
    addWithTiff(item, PasteboardTypes::png, png);
    return item;
}

PasteboardItem imageItem(const QByteArray& png, const QImage& decoded)
{
    PasteboardItem item;
    item.setData(PasteboardTypes::png, png);
    item.promise(
        PasteboardTypes::tiff, std::make_shared<PromisedBytes>([decoded] { return tiffOf(decoded); }));
    return item;
}

void copyImage(const PasteboardItem& item, Pasteboard& pasteboard)
{
    pasteboard.clearContents();
    pasteboard.writeItems({ item });
}

void press(std::uint16_t keyCode, KeyboardEvents& keyboard)
{
    press(PasteChord { keyCode, EventFlags::command, false }, keyboard);
}

PasteChord pasteChord(const std::optional<QString>& identifier)
{
    // Window class names as the terminals set them.
    static const QStringList clipboardTerminals { QStringLiteral("Gnome-terminal"), QStringLiteral("kgx"),
        QStringLiteral("org.gnome.Console"), QStringLiteral("konsole"), QStringLiteral("Xfce4-terminal"),
        QStringLiteral("Lxterminal"), QStringLiteral("Mate-terminal"), QStringLiteral("Terminator"),
        QStringLiteral("Tilix"), QStringLiteral("Alacritty"), QStringLiteral("kitty"),
        QStringLiteral("qterminal"), QStringLiteral("Sakura"), QStringLiteral("Guake"),
        QStringLiteral("Tilda"), QStringLiteral("terminology"), QStringLiteral("Roxterm"),
        QStringLiteral("org.wezfurlong.wezterm"), QStringLiteral("foot"), QStringLiteral("st-256color"),
        QStringLiteral("St"), QStringLiteral("deepin-terminal") };
    static const QStringList selectionTerminals { QStringLiteral("XTerm"), QStringLiteral("UXTerm"),
        QStringLiteral("URxvt"), QStringLiteral("Rxvt") };
    if (identifier && selectionTerminals.contains(*identifier, Qt::CaseInsensitive))
        return { KeyCodes::help, EventFlags::shift, true };
    if (identifier && clipboardTerminals.contains(*identifier, Qt::CaseInsensitive))
        return { KeyCodes::v, EventFlags::command | EventFlags::shift, false };
    return {};
}

void press(const PasteChord& chord, KeyboardEvents& keyboard)
{
    KeyEvent event;
    event.keyCode = chord.keyCode;
    event.flags = chord.flags;
    event.userData = syntheticMarker;
    event.isDown = true;
    if (!keyboard.post(event))
        return;
    event.isDown = false;
    keyboard.post(event);
}

} // namespace Paster
