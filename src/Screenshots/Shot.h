#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

// One captured screenshot, shared by the controller, the thumbnail and the editor: the picture at full
// pixel resolution, its blurred copy for the blur brush (made once, when first needed), the screen scale it
// came from, and where it is stored, if anywhere.
class Shot final {
public:
    // Nothing when the bytes are no image. A scale below 1 (or not a number) becomes 1.
    static std::shared_ptr<Shot> create(const QByteArray& png, std::optional<QString> file, double scale);
    // The same for a picture decoded already; nothing for a null one.
    static std::shared_ptr<Shot> create(const QImage& decoded, std::optional<QString> file, double scale);

    // For pictures that are already decoded; `blurred` must have the size of `image`.
    Shot(QImage image, QImage blurred, double scale, std::optional<QString> file = std::nullopt);
    // The blurred copy is made when first asked for.
    Shot(QImage image, double scale, std::optional<QString> file = std::nullopt);

    const QImage& image() const { return m_image; }
    // Made by the first call, on whichever thread makes it, while other callers wait for it. Null when
    // memory ran out.
    const QImage& blurred() const;
    double scale() const { return m_scale; }
    const std::optional<QString>& file() const { return m_file; }
    void setFile(std::optional<QString> file) { m_file = std::move(file); }

    // The same pictures, the blurred copy included once made, without the file: what a render needs, safe
    // to hand to another thread while this shot's file changes.
    std::shared_ptr<const Shot> pictures() const;

private:
    struct Blurred;

    QImage m_image;
    std::shared_ptr<Blurred> m_blurred;
    double m_scale;
    std::optional<QString> m_file;
};
