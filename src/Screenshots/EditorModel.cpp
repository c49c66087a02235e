#include "Screenshots/EditorModel.h"

#include "Foundation/LargeImage.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"

#include <QColorSpace>
#include <QPainter>

#include <algorithm>
#include <cmath>

EditorModel::EditorModel(std::shared_ptr<Shot> shot, QObject* parent)
    : QObject(parent)
    , m_shot(std::move(shot))
{ }

void EditorModel::setTool(Tool tool)
{
    const bool differs = tool != m_tool;
    m_tool = tool;
    if (differs)
        Q_EMIT toolChanged();
    redraw();
}

void EditorModel::setBrush(double brush)
{
    if (std::isnan(brush))
        return;
    brush = std::clamp(brush, smallestBrush, largestBrush);
    if (brush == m_brush)
        return;
    m_brush = brush;
    Q_EMIT brushChanged();
}

void EditorModel::add(Annotation annotation)
{
    m_stack.add(std::move(annotation));
    changed(true);
}

void EditorModel::undo()
{
    const bool moves = !m_stack.items.empty();
    m_stack.undo();
    changed(moves);
}

void EditorModel::redo()
{
    const bool moves = !m_stack.undone.empty();
    m_stack.redo();
    changed(moves);
}

void EditorModel::changed(bool stackMoved)
{
    ++m_version;
    if (stackMoved)
        Q_EMIT stackChanged();
    Q_EMIT versionChanged();
    redraw();
}

EditorModel::Snapshot EditorModel::snapshot() const
{
    // The pictures are shared, not copied; only the file name, which the controller may still set, is
    // left behind.
    return { m_shot->pictures(), m_stack.items };
}

std::optional<QImage> EditorModel::render() const
{
    return Snapshot { m_shot, m_stack.items }.render();
}

std::optional<QImage> EditorModel::Snapshot::render() const
{
    const QImage& source = shot->image();
    if (source.isNull())
        return std::nullopt;
    // Opaque shots stay opaque, which keeps the saved file small and its pixels exact.
    QImage result = LargeImage::allocate(
        source.size(), source.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (result.isNull())
        return std::nullopt;
    result.setColorSpace(source.colorSpace().isValid() ? source.colorSpace() : QColorSpace::SRgb);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    if (!painter.isActive())
        return std::nullopt;
    ShotRenderer::draw(*shot, marks, painter, QRectF(QPointF(0, 0), QSizeF(source.size())), true);
    painter.end();
    return result;
}
