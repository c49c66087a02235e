#include "Views/SettingsView.h"

#include "Foundation/Localization.h"
#include "Foundation/ThemeSymbol.h"
#include "GlobalShortcuts/KeyNotation.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/LoginItemService.h"
#include "Platform/ScreenAccess.h"
#include "Platform/StandardPaths.h"
#include "Screenshots/ScreenshotShortcut.h"
#include "Support/AppInfo.h"
#include "Support/AppSettings.h"
#include "Support/LoginItem.h"
#include "Views/ElidedLabel.h"
#include "Views/FormSection.h"
#include "Views/PopUpButton.h"
#include "Views/ToggleSwitch.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <functional>

static void registerSettingsSymbols()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(ViewsResources);
        return true;
    }();
    (void)registered;
}

namespace {

constexpr double symbolPoints = 14;

QString abbreviatedHome(const QString& path, const QString& home)
{
    if (home.isEmpty() || home == QLatin1String("/"))
        return path;
    if (path == home)
        return QStringLiteral("~");
    if (path.startsWith(home + u'/'))
        return u'~' + path.mid(home.size());
    return path;
}

bool sameDelay(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

} // namespace

QVariant SettingsView::Row::value() const
{
    switch (kind) {
    case RowKind::Choice:
        return choice->currentText();
    case RowKind::Switch:
        return toggle->isChecked();
    case RowKind::Folder:
        return path->text();
    case RowKind::Shortcut:
        return recorder->text().isEmpty() ? QVariant() : QVariant(recorder->text());
    case RowKind::Status:
        if (button && button->isVisibleTo(widget))
            return button->text();
        return text->text();
    case RowKind::Version:
        return text->text();
    case RowKind::Button:
    case RowKind::Caption:
        break;
    }
    return {};
}

bool SettingsView::Row::enabled() const
{
    return widget->isEnabled();
}

SettingsView::SettingsView(AppSettings& settings, Services services, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_services(services)
{
    setFixedSize(contentWidth, contentHeight);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // Larger fonts than the form was laid out for scroll rather than cut a row off.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(scroll);

    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(20, 12, 20, 12);
    column->setSpacing(10);
    const auto section = [&](const char* title) {
        auto* made = new FormSection(Localization::text(title), content);
        column->addWidget(made);
        return made;
    };
    buildHistory(section("История"));
    buildHold(section("Удержание"));
    buildScreenshots(section("Скриншоты"));
    buildSystem(section("Система"));
    column->addStretch(1);
    scroll->setWidget(content);

    updateEnabledRows();
    refresh();
}

void SettingsView::buildHistory(FormSection* section)
{
    m_historyLimit = new PopUpButton;
    for (const auto limit : HistoryLimits::allCases)
        m_historyLimit->addItem(limit == HistoryLimit::All ? Localization::text("Все")
                                                           : QString::number(HistoryLimits::rawValue(limit)),
            HistoryLimits::rawValue(limit));
    const QString limitLabel = Localization::text("Хранить записей");
    m_rows.push_back({ RowId::HistoryLimit, limitLabel, RowKind::Choice,
        section->addRow(limitLabel, m_historyLimit), m_historyLimit });
    syncHistoryLimit();
    connect(m_historyLimit, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (const auto limit = HistoryLimits::fromRawValue(m_historyLimit->itemData(index).toInt()))
            m_settings.setHistoryLimit(*limit);
    });
    connect(&m_settings, &AppSettings::historyLimitChanged, this, [this] {
        syncHistoryLimit();
        onHistoryLimitChanged(m_settings.historyLimit());
    });

    addSwitch(section, RowId::Pause, Localization::text("Пауза: не записывать новое"), &AppSettings::paused,
        &AppSettings::setPaused, &AppSettings::pausedChanged);

    auto* clear = new QPushButton(Localization::text("Очистить историю…"));
    connect(clear, &QPushButton::clicked, this, [this] { onClearHistory(); });
    m_rows.push_back({ RowId::ClearHistory, clear->text(), RowKind::Button, section->addRow(clear), nullptr,
        nullptr, clear });
}

void SettingsView::buildHold(FormSection* section)
{
    const auto family = m_services.family;
    const QString paste = GlobalShortcuts::KeyNotation::commandWith(family, QStringLiteral("V"));
    const QString copy = GlobalShortcuts::KeyNotation::commandWith(family, QStringLiteral("C"));
    addSwitch(section, RowId::HoldToPaste, Localization::format("Удержание %@ открывает историю", { paste }),
        &AppSettings::holdToPaste, &AppSettings::setHoldToPaste, &AppSettings::holdToPasteChanged);
    addSwitch(section, RowId::HoldToScreenshot,
        Localization::format("Удержание %@ делает скриншот", { copy }), &AppSettings::holdToScreenshot,
        &AppSettings::setHoldToScreenshot, &AppSettings::holdToScreenshotChanged);
    for (const auto changed : { &AppSettings::holdToPasteChanged, &AppSettings::holdToScreenshotChanged })
        connect(&m_settings, changed, this, [this] {
            updateEnabledRows();
            onHoldKeysChanged();
        });

    m_holdDelay = new PopUpButton;
    for (const double offered : holdDelays)
        m_holdDelay->addItem(AppSettings::titleForDelay(offered), offered);
    const QString delayLabel = Localization::text("Сколько держать");
    m_rows.push_back({ RowId::HoldDelay, delayLabel, RowKind::Choice,
        section->addRow(delayLabel, m_holdDelay), m_holdDelay });
    syncHoldDelay();
    connect(m_holdDelay, &QComboBox::currentIndexChanged, this,
        [this](int index) { m_settings.setHoldDelay(m_holdDelay->itemData(index).toDouble()); });
    connect(&m_settings, &AppSettings::holdDelayChanged, this, [this] { syncHoldDelay(); });

    // Said where the switches are, rather than leaving them on to no effect.
    const auto* caption = section->addCaption(m_services.holdGestures
            ? Localization::format("Короткое нажатие %@ и %@ работает как обычно.", { paste, copy })
            : Localization::text("В этом сеансе удержание не работает: программе не видны клавиши, нажатые в "
                                 "других окнах. Назначьте клавишу команде drimo-copy --show-history."));
    m_rows.push_back({ RowId::HoldCaption, caption->text(), RowKind::Caption, caption->parentWidget() });
}

void SettingsView::buildScreenshots(FormSection* section)
{
    m_recorder = new GlobalShortcuts::RecorderControl(m_services.shortcuts, ScreenshotShortcut::name());
    // As wide as its text needs, at the trailing edge like every other control.
    m_recorder->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const QString recorderLabel = Localization::text("Или сочетание клавиш");
    Row recorderRow { RowId::Shortcut, recorderLabel, RowKind::Shortcut,
        section->addRow(recorderLabel, m_recorder) };
    recorderRow.recorder = m_recorder;
    m_rows.push_back(recorderRow);
    // Only macOS keeps its own screenshot keys where a recorded shortcut cannot reach them; the recorder
    // warns of a Linux desktop's as of any combination another program holds.
    const auto* caption = section->addCaption(m_services.family == SystemFamily::MacOS
            ? Localization::text("Любое удобное. Системные ⇧⌘3, ⇧⌘4 и ⇧⌘5 сначала отключите в «Системные "
                                 "настройки → Клавиатура → Сочетания клавиш → Снимки экрана».")
            : Localization::text("Любое удобное."));
    m_rows.push_back({ RowId::ShortcutCaption, caption->text(), RowKind::Caption, caption->parentWidget() });

    addSwitch(section, RowId::SaveToFolder, Localization::text("Сохранять в папку"),
        &AppSettings::screenshotSave, &AppSettings::setScreenshotSave, &AppSettings::screenshotSaveChanged);
    connect(&m_settings, &AppSettings::screenshotSaveChanged, this, [this] { updateEnabledRows(); });

    auto* folder = new QWidget;
    folder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* folderLayout = new QHBoxLayout(folder);
    folderLayout->setContentsMargins(0, 0, 0, 0);
    folderLayout->setSpacing(8);
    auto* path = new ElidedLabel(folder);
    FormSection::makeSecondary(path);
    folderLayout->addWidget(path, 1);
    auto* choose = new QPushButton(Localization::text("Выбрать…"), folder);
    folderLayout->addWidget(choose);
    connect(choose, &QPushButton::clicked, this, [this] { onChooseFolder(); });
    const QString folderLabel = Localization::text("Папка");
    Row folderRow { RowId::Folder, folderLabel, RowKind::Folder, section->addRow(folderLabel, folder) };
    folderRow.button = choose;
    folderRow.path = path;
    m_rows.push_back(folderRow);
    connect(&m_settings, &AppSettings::screenshotFolderChanged, this, [this] { syncFolder(); });

    addSwitch(section, RowId::Copy, Localization::text("Копировать в буфер обмена"),
        &AppSettings::screenshotCopy, &AppSettings::setScreenshotCopy, &AppSettings::screenshotCopyChanged);
    addSwitch(section, RowId::Thumbnail, Localization::text("Показывать миниатюру в углу"),
        &AppSettings::screenshotThumbnail, &AppSettings::setScreenshotThumbnail,
        &AppSettings::screenshotThumbnailChanged);
    addSwitch(section, RowId::Sound, Localization::text("Звук затвора"), &AppSettings::screenshotSound,
        &AppSettings::setScreenshotSound, &AppSettings::screenshotSoundChanged);

    // The permissions are macOS's: a Linux desktop lets the program read the screen and send keys without
    // asking, so there is nothing to show or to grant.
    if (m_services.family != SystemFamily::MacOS)
        return;
    const QString screenLabel = Localization::text("Запись экрана");
    Row screenRow { RowId::ScreenRecording, screenLabel, RowKind::Status };
    auto* status = makeStatus(
        Localization::text("Выдана"), [this] { onOpenScreenRecordingSettings(); }, screenRow);
    screenRow.widget = section->addRow(screenLabel, status);
    m_rows.push_back(screenRow);
}

void SettingsView::buildSystem(FormSection* section)
{
    m_launchAtLogin = new ToggleSwitch;
    m_launchAtLogin->setChecked(LoginItem::isEnabled(m_services.loginItems));
    const QString loginLabel = Localization::text("Запускать при входе в систему");
    m_rows.push_back({ RowId::LaunchAtLogin, loginLabel, RowKind::Switch,
        section->addRow(loginLabel, m_launchAtLogin), nullptr, m_launchAtLogin });
    connect(m_launchAtLogin, &ToggleSwitch::toggled, this,
        [this](bool enabled) { changeLaunchAtLogin(enabled); });

    if (m_services.family == SystemFamily::MacOS) {
        const QString accessLabel = Localization::text("Универсальный доступ");
        Row accessRow { RowId::Accessibility, accessLabel, RowKind::Status };
        auto* status = makeStatus(
            Localization::text("Выдан"), [this] { onGrantAccessibility(); }, accessRow);
        accessRow.widget = section->addRow(accessLabel, status);
        m_rows.push_back(accessRow);
        showStatus(m_rows.back(), m_accessibilityGranted);
    }

    addSwitch(section, RowId::AutoCheckUpdates, Localization::text("Проверять обновления автоматически"),
        &AppSettings::autoCheckUpdates, &AppSettings::setAutoCheckUpdates,
        &AppSettings::autoCheckUpdatesChanged);

    auto* version = new QWidget;
    auto* versionLayout = new QHBoxLayout(version);
    versionLayout->setContentsMargins(0, 0, 0, 0);
    versionLayout->setSpacing(8);
    auto* versionText = new QLabel(AppInfo::version(m_services.bundle), version);
    versionText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FormSection::makeSecondary(versionText);
    versionLayout->addWidget(versionText);
    auto* check = new QPushButton(Localization::text("Проверить…"), version);
    versionLayout->addWidget(check);
    connect(check, &QPushButton::clicked, this, [this] { onCheckForUpdates(); });
    const QString versionLabel = Localization::text("Версия");
    Row versionRow { RowId::Version, versionLabel, RowKind::Version, section->addRow(versionLabel, version) };
    versionRow.button = check;
    versionRow.text = versionText;
    m_rows.push_back(versionRow);
}

ToggleSwitch* SettingsView::addSwitch(FormSection* section, RowId id, const QString& label,
    bool (AppSettings::*get)() const, void (AppSettings::*set)(bool), void (AppSettings::*changed)())
{
    auto* toggle = new ToggleSwitch;
    toggle->setChecked(std::invoke(get, m_settings));
    m_rows.push_back({ id, label, RowKind::Switch, section->addRow(label, toggle), nullptr, toggle });
    connect(toggle, &ToggleSwitch::toggled, this, [this, set](bool on) { std::invoke(set, m_settings, on); });
    connect(&m_settings, changed, toggle, [this, toggle, get] {
        const QSignalBlocker quiet(toggle);
        toggle->setChecked(std::invoke(get, m_settings));
    });
    return toggle;
}

// Granted: a green check and its text; otherwise the button that leads to granting.
QWidget* SettingsView::makeStatus(const QString& grantedText, const std::function<void()>& grant, Row& row)
{
    auto* status = new QWidget;
    auto* layout = new QHBoxLayout(status);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(5);
    auto* icon = new QLabel(status);
    icon->setObjectName(QStringLiteral("grantedSymbol"));
    layout->addWidget(icon);
    auto* text = new QLabel(grantedText, status);
    auto palette = text->palette();
    palette.setColor(QPalette::WindowText, FormSection::green(palette));
    text->setPalette(palette);
    layout->addWidget(text);
    auto* button = new QPushButton(Localization::text("Выдать…"), status);
    layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, grant);
    row.text = text;
    row.button = button;
    return status;
}

void SettingsView::showStatus(const Row& row, bool granted)
{
    auto* icon = row.widget->findChild<QLabel*>(QStringLiteral("grantedSymbol"));
    if (granted && icon->pixmap().isNull()) {
        registerSettingsSymbols();
        icon->setPixmap(ThemeSymbol::render({}, QStringLiteral(":/views/symbols/checkmark.circle.fill.svg"),
            symbolPoints, FormSection::green(palette()), devicePixelRatioF()));
    }
    icon->setVisible(granted);
    row.text->setVisible(granted);
    row.button->setVisible(!granted);
}

void SettingsView::setAccessibilityGranted(bool granted)
{
    m_accessibilityGranted = granted;
    if (const auto* access = row(RowId::Accessibility))
        showStatus(*access, granted);
}

void SettingsView::refresh()
{
    if (const auto* screen = row(RowId::ScreenRecording))
        showStatus(*screen, m_services.screenAccess.preflight());
    syncFolder();
}

void SettingsView::showEvent(QShowEvent* event)
{
    refresh();
    QWidget::showEvent(event);
}

void SettingsView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refresh();
    QWidget::changeEvent(event);
}

void SettingsView::syncHistoryLimit()
{
    const QSignalBlocker quiet(m_historyLimit);
    m_historyLimit->setCurrentIndex(
        m_historyLimit->findData(HistoryLimits::rawValue(m_settings.historyLimit())));
}

void SettingsView::syncHoldDelay()
{
    const QSignalBlocker quiet(m_holdDelay);
    const double delay = m_settings.holdDelay();
    const int offered = static_cast<int>(holdDelays.size());
    const bool hasExtra = m_holdDelay->count() > offered;
    for (int index = 0; index < offered; ++index) {
        if (sameDelay(holdDelays[static_cast<std::size_t>(index)], delay)) {
            m_holdDelay->setCurrentIndex(index);
            // A stored delay the list does not offer was shown as an extra choice; once left, it goes.
            if (hasExtra)
                m_holdDelay->removeItem(offered);
            return;
        }
    }
    // A delay stored by hand is kept and shown as it is, not replaced by a listed one behind the user's back.
    if (!hasExtra)
        m_holdDelay->addItem(QString());
    m_holdDelay->setItemText(offered, AppSettings::titleForDelay(delay));
    m_holdDelay->setItemData(offered, delay);
    m_holdDelay->setCurrentIndex(offered);
}

void SettingsView::syncFolder()
{
    const auto& row = ownRow(RowId::Folder);
    row.path->setText(
        abbreviatedHome(m_settings.screenshotFolderPath(m_services.paths), m_services.paths.home()));
}

void SettingsView::updateEnabledRows()
{
    const bool holds = m_services.holdGestures;
    ownRow(RowId::HoldToPaste).widget->setEnabled(holds);
    ownRow(RowId::HoldToScreenshot).widget->setEnabled(holds);
    ownRow(RowId::HoldDelay)
        .widget->setEnabled(holds && (m_settings.holdToPaste() || m_settings.holdToScreenshot()));
    ownRow(RowId::Folder).widget->setEnabled(m_settings.screenshotSave());
}

void SettingsView::changeLaunchAtLogin(bool enabled)
{
    LoginItem::set(enabled, m_services.loginItems, m_services.log);
    // The service has the last word: a refused change springs the switch back.
    const QSignalBlocker quiet(m_launchAtLogin);
    m_launchAtLogin->setChecked(LoginItem::isEnabled(m_services.loginItems));
}

const SettingsView::Row* SettingsView::row(const QString& label) const
{
    for (const auto& candidate : m_rows)
        if (candidate.label == label)
            return &candidate;
    return nullptr;
}

const SettingsView::Row* SettingsView::row(RowId id) const
{
    const auto found
        = std::find_if(m_rows.begin(), m_rows.end(), [id](const Row& row) { return row.id == id; });
    return found == m_rows.end() ? nullptr : &*found;
}

SettingsView::Row& SettingsView::ownRow(RowId id)
{
    return *std::find_if(m_rows.begin(), m_rows.end(), [id](const Row& row) { return row.id == id; });
}
