#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

// One captured screenshot, shared by the controller, the thumbnail and the editor: the picture at full
// pixel resolution, its blurred copy for the blur brush (made once), the screen scale it came from, and
// where it is stored, if anywhere.
class Shot final {
public:
    // Nothing when the bytes are no image or the blurred copy cannot be made. A scale below 1 (or not a
    // number) becomes 1.
    static std::shared_ptr<Shot> create(const QByteArray& png, std::optional<QString> file, double scale);

    // For pictures that are already decoded; `blurred` must have the size of `image`.
    Shot(QImage image, QImage blurred, double scale, std::optional<QString> file = std::nullopt);

    const QImage& image() const { return m_image; }
    const QImage& blurred() const { return m_blurred; }
    double scale() const { return m_scale; }
    const std::optional<QString>& file() const { return m_file; }
    void setFile(std::optional<QString> file) { m_file = std::move(file); }

private:
    QImage m_image;
    QImage m_blurred;
    double m_scale;
    std::optional<QString> m_file;
};
