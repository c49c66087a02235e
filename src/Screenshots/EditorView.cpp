#include "Screenshots/EditorView.h"

#include "Foundation/Localization.h"
#include "Screenshots/AnnotationCanvas.h"
#include "Screenshots/EditorModel.h"
#include "Screenshots/EditorSymbols.h"
#include "Screenshots/SegmentedControl.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QColor withAlpha(QColor colour, double alpha)
{
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
        static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
        static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

constexpr double symbolPoints = 16;

int toolIndex(EditorModel::Tool tool)
{
    return static_cast<int>(tool);
}

} // namespace

EditorView::EditorView(EditorModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* toolbar = new QWidget(this);
    auto* row = new QHBoxLayout(toolbar);
    row->setContentsMargins(sideMargin, verticalMargin, sideMargin, verticalMargin);
    row->setSpacing(rowSpacing);

    m_tools = new SegmentedControl(Localization::text("Инструмент"),
        { Localization::text("Размытие"), Localization::text("Стрелка"), Localization::text("Цифры") },
        toolbar);
    row->addWidget(m_tools, 0, Qt::AlignVCenter);

    m_brushRow = new QWidget(toolbar);
    m_brushRow->setToolTip(Localization::text("Диаметр кисти"));
    auto* brush = new QHBoxLayout(m_brushRow);
    brush->setContentsMargins(0, 0, 0, 0);
    brush->setSpacing(brushSpacing);
    m_brushIcon = new QLabel(m_brushRow);
    m_slider = new QSlider(Qt::Horizontal, m_brushRow);
    m_slider->setFixedWidth(sliderWidth);
    m_slider->setRange(static_cast<int>(EditorModel::smallestBrush * sliderSteps),
        static_cast<int>(EditorModel::largestBrush * sliderSteps));
    m_brushValue = new QLabel(m_brushRow);
    m_brushValue->setFixedWidth(valueWidth);
    m_brushValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    brush->addWidget(m_brushIcon);
    brush->addWidget(m_slider);
    brush->addWidget(m_brushValue);
    row->addWidget(m_brushRow, 0, Qt::AlignVCenter);

    row->addStretch(1);

    const auto symbolButton = [&](const QString& tip) {
        auto* button = new QToolButton(toolbar);
        button->setToolTip(tip);
        button->setAutoRaise(true);
        button->setIconSize(QSize(symbolPoints, symbolPoints));
        button->setFocusPolicy(Qt::TabFocus);
        row->addWidget(button, 0, Qt::AlignVCenter);
        return button;
    };
    m_undo = symbolButton(Localization::text("Отменить"));
    m_redo = symbolButton(Localization::text("Повторить"));
    m_copy = new QPushButton(Localization::text("Копировать"), toolbar);
    m_copy->setAutoDefault(false);
    row->addWidget(m_copy, 0, Qt::AlignVCenter);
    m_done = new QPushButton(Localization::text("Готово"), toolbar);
    m_done->setDefault(true);
    row->addWidget(m_done, 0, Qt::AlignVCenter);
    // Qt's Ctrl is the Command key on macOS, and plays its part on the Linux desktop. Outside dialogs Qt
    // gives the default button no key of its own.
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), m_undo);
    addShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), m_redo);
    addShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), m_copy);
    addShortcut(QKeySequence(Qt::Key_Return), m_done);
    addShortcut(QKeySequence(Qt::Key_Enter), m_done);
    connect(
        new QShortcut(QKeySequence::Close, this), &QShortcut::activated, this, [this] { window()->close(); });
    // Text buttons get the breathing room desktop toolbars give them, not the bare width of their text.
    for (auto* button : { m_copy, m_done })
        button->setMinimumWidth(button->sizeHint().width() + 2 * buttonPadding);
    column->addWidget(toolbar);

    m_divider = new QFrame(this);
    m_divider->setFrameShape(QFrame::HLine);
    m_divider->setFrameShadow(QFrame::Plain);
    m_divider->setFixedHeight(1);
    column->addWidget(m_divider);

    m_canvas = new AnnotationCanvas(model, this);
    m_canvas->setMinimumSize(canvasMinimum);
    m_canvas->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    column->addWidget(m_canvas, 1);
    // The window opens for drawing; a focus ring on the tool picker would only distract.
    m_canvas->setFocus();

    connect(m_tools, &SegmentedControl::chosen, this,
        [this](int index) { m_model.setTool(static_cast<EditorModel::Tool>(index)); });
    connect(m_slider, &QSlider::valueChanged, this,
        [this](int value) { m_model.setBrush(static_cast<double>(value) / sliderSteps); });
    connect(m_undo, &QToolButton::clicked, this, [this] { m_model.undo(); });
    connect(m_redo, &QToolButton::clicked, this, [this] { m_model.redo(); });
    connect(m_copy, &QPushButton::clicked, this, [this] { onCopy(); });
    connect(m_done, &QPushButton::clicked, this, [this] { onDone(); });
    connect(&m_model, &EditorModel::toolChanged, this, &EditorView::followTool);
    connect(&m_model, &EditorModel::brushChanged, this, &EditorView::followBrush);
    connect(&m_model, &EditorModel::stackChanged, this, &EditorView::followStack);

    applyPalette();
    followTool();
    followBrush();
    followStack();
}

void EditorView::addShortcut(const QKeySequence& keys, QAbstractButton* button)
{
    // A button's own shortcut clicks it only after a short animation; the key acts at once here, and a
    // disabled button ignores it.
    connect(new QShortcut(keys, this), &QShortcut::activated, button, &QAbstractButton::click);
}

void EditorView::followTool()
{
    m_tools->setCurrent(toolIndex(m_model.tool()));
    m_brushRow->setVisible(m_model.tool() == EditorModel::Tool::Blur);
}

void EditorView::followBrush()
{
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(static_cast<int>(std::lround(m_model.brush() * sliderSteps)));
    m_brushValue->setText(QString::number(static_cast<long long>(std::trunc(m_model.brush()))));
}

void EditorView::followStack()
{
    m_undo->setEnabled(!m_model.stack().items.empty());
    m_redo->setEnabled(!m_model.stack().undone.empty());
}

void EditorView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        applyPalette();
    QWidget::changeEvent(event);
}

void EditorView::applyPalette()
{
    const QColor text = palette().color(QPalette::WindowText);
    const QColor secondary = withAlpha(text, 0.55);
    const double ratio = devicePixelRatioF();
    m_brushIcon->setPixmap(
        EditorSymbols::symbol(QStringLiteral("circle.dotted"), symbolPoints, secondary, ratio));
    m_undo->setIcon(EditorSymbols::icon(QStringLiteral("arrow.uturn.backward"), symbolPoints,
        withAlpha(text, 0.85), withAlpha(text, 0.25), ratio));
    m_redo->setIcon(EditorSymbols::icon(QStringLiteral("arrow.uturn.forward"), symbolPoints,
        withAlpha(text, 0.85), withAlpha(text, 0.25), ratio));
    // Digits of the system font keep their width, so the value does not shift as it counts.
    QPalette valuePalette = m_brushValue->palette();
    valuePalette.setColor(QPalette::WindowText, secondary);
    m_brushValue->setPalette(valuePalette);
    QPalette line = m_divider->palette();
    line.setColor(QPalette::WindowText, mix(palette().color(QPalette::Window), text, 0.16));
    m_divider->setPalette(line);
}
