#include "Views/OnboardingView.h"

#include "Foundation/Localization.h"
#include "GlobalShortcuts/KeyNotation.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* wrappingLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

QLabel* secondary(QLabel* label)
{
    auto palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

} // namespace

OnboardingView::OnboardingView(SystemFamily family, QWidget* parent)
    : QWidget(parent)
{
    setFixedWidth(contentWidth);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(14);
    column->setContentsMargins(24, 24, 24, 24);

    auto* title = new QLabel(Localization::text("Drimo Copy почти готов"), this);
    auto titleFont = title->font();
    titleFont.setPointSizeF(17);
    titleFont.setWeight(QFont::DemiBold);
    title->setFont(titleFont);
    column->addWidget(title);

    const bool onMac = family == SystemFamily::MacOS;
    const QStringList holds { GlobalShortcuts::KeyNotation::commandWith(family, QStringLiteral("V")),
        GlobalShortcuts::KeyNotation::commandWith(family, QStringLiteral("C")) };
    const char* why = onMac ? "Чтобы удержание %@ открывало историю, а удержание %@ делало скриншот, macOS "
                              "нужно разрешение «Универсальный доступ»."
                            : "Чтобы удержание %@ открывало историю, а удержание %@ делало скриншот, Drimo "
                              "Copy нужен доступ к клавиатуре.";
    column->addWidget(wrappingLabel(Localization::format(why, holds), this));

    m_steps = new QWidget(this);
    auto* steps = new QVBoxLayout(m_steps);
    steps->setContentsMargins(0, 0, 0, 0);
    steps->setSpacing(6);
    for (const char* step :
        { "1. Нажмите «Открыть настройки».", "2. Включите Drimo Copy в списке «Универсальный доступ».",
            "3. Вернитесь сюда — окно закроется само." })
        steps->addWidget(secondary(wrappingLabel(Localization::text(step), m_steps)));
    column->addWidget(m_steps);

    m_restartRow = new QWidget(this);
    auto* restartLayout = new QHBoxLayout(m_restartRow);
    restartLayout->setContentsMargins(0, 0, 0, 0);
    restartLayout->addWidget(
        wrappingLabel(onMac
                ? Localization::text("Разрешение выдано, но macOS применит его после перезапуска Drimo Copy.")
                : Localization::text("Доступ есть, но заработает он после перезапуска Drimo Copy."),
            this),
        1);
    m_restart = new QPushButton(Localization::text("Перезапустить"), m_restartRow);
    restartLayout->addWidget(m_restart);
    column->addWidget(m_restartRow);

    m_waitingRow = new QWidget(this);
    auto* waitingLayout = new QHBoxLayout(m_waitingRow);
    waitingLayout->setContentsMargins(0, 0, 0, 0);
    m_openSettings = new QPushButton(Localization::text("Открыть настройки"), m_waitingRow);
    m_openSettings->setDefault(true);
    waitingLayout->addWidget(m_openSettings);
    waitingLayout->addWidget(secondary(new QLabel(Localization::text("Ждём разрешения…"), m_waitingRow)), 1);
    column->addWidget(m_waitingRow);
    m_instructions = wrappingLabel(QString(), this);
    m_instructions->hide();
    column->addWidget(m_instructions);

    m_granted = new QLabel(Localization::text("Разрешение получено ✓"), this);
    auto grantedPalette = m_granted->palette();
    grantedPalette.setColor(QPalette::WindowText, QColor(40, 160, 70));
    m_granted->setPalette(grantedPalette);
    column->addWidget(m_granted);

    auto* caption = secondary(wrappingLabel(
        Localization::text("История записывается и без разрешения: её можно открыть из меню в строке меню."),
        this));
    auto captionFont = caption->font();
    captionFont.setPointSizeF(std::max(1.0, captionFont.pointSizeF() - 2));
    caption->setFont(captionFont);
    column->addWidget(caption);

    connect(m_openSettings, &QPushButton::clicked, this, [this] { onOpenSettings(); });
    connect(m_restart, &QPushButton::clicked, this, [this] { onRestart(); });
    setAccessibilityGranted(false);
    setNeedsRestart(false);
}

void OnboardingView::setAccessibilityGranted(bool granted)
{
    m_granted->setVisible(granted);
    updateWaitingRow();
}

void OnboardingView::setGrantInstructions(const QString& instructions)
{
    m_instructions->setText(instructions);
    updateWaitingRow();
}

void OnboardingView::updateWaitingRow()
{
    const bool granted = !m_granted->isHidden();
    const bool hasSettings = m_instructions->text().isEmpty();
    m_steps->setVisible(hasSettings);
    m_waitingRow->setVisible(!granted && hasSettings);
    m_instructions->setVisible(!granted && !hasSettings);
}

void OnboardingView::setNeedsRestart(bool needsRestart)
{
    m_restartRow->setVisible(needsRestart);
}

void OnboardingView::keyPressEvent(QKeyEvent* event)
{
    // A plain window has no default-button handling of its own; Return belongs to "Открыть настройки".
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && event->modifiers() == Qt::NoModifier && !m_waitingRow->isHidden()) {
        m_openSettings->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
