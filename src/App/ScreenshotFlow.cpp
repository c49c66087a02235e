#include "App/ScreenshotFlow.h"

#include "Clipboard/Paster.h"
#include "Foundation/AtomicFile.h"
#include "Foundation/ImageReading.h"
#include "Foundation/Localization.h"
#include "Foundation/ReferenceDate.h"
#include "Foundation/RegularFile.h"
#include "Foundation/Scheduler.h"
#include "Foundation/Uuid.h"
#include "Platform/Alerts.h"
#include "Platform/Pasteboard.h"
#include "Platform/ScreenAccess.h"
#include "Platform/Screens.h"
#include "Platform/StandardPaths.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaultsStore.h"
#include "Platform/Workspace.h"
#include "Screenshots/ScreenCapture.h"
#include "Screenshots/ScreenshotFiles.h"
#include "Screenshots/Shot.h"
#include "Screenshots/ShotRenderer.h"
#include "Screenshots/ThumbnailView.h"
#include "Support/AppSettings.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QWidget>

// One screenshot on its way from the capture tool to the screen. A worker thread fills in everything below
// `thumbnailRatio` while the main thread leaves the whole object alone.
struct ScreenshotFlow::Capture {
    QString temporary;
    double scale = 2;
    // The thumbnail's pixels per point, when one is to be shown.
    std::optional<double> thumbnailRatio;
    std::optional<QString> saved;
    QString failure;
    QByteArray png;
    // As decoding the PNG gives it: what the pasteboard's TIFF copy is made from.
    QImage decoded;
    std::shared_ptr<Shot> shot;
    QImage thumbnail;
};

// One hand-over from an editor window. A worker thread fills in everything below `marks` while the main
// thread leaves the object alone.
struct ScreenshotFlow::Handover {
    EditorModel::Snapshot marks;
    ScreenshotEditor::Settled settled;
    // Where the file goes: over the one the shot was saved to, else into `folder`, else nowhere.
    std::optional<QString> file;
    std::optional<QString> folder;
    QDateTime moment;
    bool rendered = false;
    std::optional<QString> written;
    QString failure;
    std::optional<PasteboardItem> copyItem;

    static std::shared_ptr<Handover> make(EditorModel::Snapshot marks, ScreenshotEditor::Settled settled)
    {
        auto made = std::make_shared<Handover>();
        made->marks = std::move(marks);
        made->settled = std::move(settled);
        return made;
    }
};

ScreenshotFlow::ScreenshotFlow(const Platform& platform, AppSettings& settings,
    std::function<void()> beforeCapture, std::function<void()> relaunch, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_settings(settings)
    , m_beforeCapture(std::move(beforeCapture))
    , m_relaunch(std::move(relaunch))
    , m_thumbnail(platform.scheduler, platform.screens)
    , m_editor(platform.alerts, platform.screens, platform.workspace)
{ }

ScreenshotFlow::~ScreenshotFlow() = default;

void ScreenshotFlow::takeScreenshot()
{
    if (m_capturing)
        return;
    if (!m_platform.screenAccess.preflight()) {
        askForScreenAccess();
        return;
    }
    setCapturing(true);
    m_thumbnail.close();
    m_beforeCapture();
    // The area tool takes the keyboard and the pointer, which a menu of ours holds while it is open: the
    // screenshot shortcut reaches us through the menu, and the menu must go first.
    if (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    auto capture = std::make_shared<Capture>();
    capture->temporary = m_platform.paths.temporary() + QStringLiteral("/DrimoCopy-") + Uuid::create()
        + QStringLiteral(".png");
    QPointer<ScreenshotFlow> self(this);
    ScreenCapture::captureArea(capture->temporary, m_settings.screenshotSound(), m_platform.processes,
        m_platform.scheduler, [self, capture](bool ok) {
            if (self)
                self->captured(capture, ok);
            else
                QFile::remove(capture->temporary);
        });
}

void ScreenshotFlow::captured(const std::shared_ptr<Capture>& capture, bool ok)
{
    Q_EMIT captureEnded(ok, capture->temporary);
    if (!ok) {
        setCapturing(false);
        return;
    }
    std::optional<QString> folder;
    if (m_settings.screenshotSave())
        folder = m_settings.screenshotFolderPath(m_platform.paths);
    const QDateTime moment = ReferenceDate::toDateTime(m_platform.scheduler.currentDate());
    const auto screen = m_platform.screens.mainScreen();
    capture->scale = screen ? screen->backingScale : 2;
    if (m_settings.screenshotThumbnail())
        capture->thumbnailRatio = qApp->devicePixelRatio();
    // Moving the file (a copy when the folder is on another disk), reading it and decoding it take longer
    // than a frame at 5K, and so does scaling the picture down for the thumbnail: done off the main thread.
    QPointer<ScreenshotFlow> self(this);
    m_platform.scheduler.background(
        [capture, folder, moment] {
            if (folder) {
                auto placed = ScreenshotFiles::move(capture->temporary, *folder, moment);
                capture->saved = std::move(placed.path);
                capture->failure = std::move(placed.failure);
            }
            const auto png
                = RegularFile::bytes(capture->saved.value_or(capture->temporary), maximumCaptureBytes);
            if (!capture->saved)
                QFile::remove(capture->temporary);
            if (!png)
                return;
            capture->png = *png;
            capture->decoded = ImageReading::read(capture->png);
            capture->shot = Shot::create(capture->decoded, capture->saved, capture->scale);
            if (capture->shot && capture->thumbnailRatio) {
                const QSize size = ThumbnailPanel::thumbnailSize(capture->shot->image().size()).toSize();
                capture->thumbnail
                    = ThumbnailView::picture(capture->shot->image(), size, *capture->thumbnailRatio);
            }
        },
        [self, capture] {
            if (self)
                self->present(capture);
        });
}

void ScreenshotFlow::present(const std::shared_ptr<Capture>& capture)
{
    if (!capture->failure.isEmpty())
        m_platform.log.write(QStringLiteral("the screenshot stays unsaved: ") + capture->failure);
    if (capture->saved)
        Q_EMIT screenshotFileWritten(*capture->saved);
    const bool copy = m_settings.screenshotCopy();
    const auto shot = capture->shot;
    if (!shot) {
        const QSize stated = ImageReading::headerSize(capture->png);
        if (stated.isValid() && !ImageReading::withinBounds(stated)) {
            // A picture, only too large to show: it stays where it was saved and still goes to the
            // pasteboard, so that it is not lost when saving is off.
            if (copy)
                Paster::copyImage(capture->png, m_platform.pasteboard);
        } else if (capture->saved) {
            // An empty or cut-off file from a tool that failed is no screenshot; it must not stay in the
            // user's folder looking like one.
            QFile::remove(*capture->saved);
        }
        setCapturing(false);
        return;
    }
    QPointer<ScreenshotFlow> self(this);
    if (m_settings.screenshotThumbnail()) {
        m_thumbnail.show(
            shot,
            [self, shot] {
                if (self)
                    self->edit(shot);
            },
            capture->thumbnail);
    } else if (!capture->saved && !copy) {
        edit(shot);
    }
    // The TIFF copy is made only for a reader that asks for it.
    if (copy)
        Paster::copyImage(Paster::imageItem(capture->png, capture->decoded), m_platform.pasteboard);
    // The blur brush's picture costs about as much as decoding: made now, while the thumbnail is looked at,
    // rather than on the first stroke. The capture ends once the shot is whole.
    m_platform.scheduler.background([shot] { shot->blurred(); },
        [self] {
            if (self)
                self->setCapturing(false);
        });
}

void ScreenshotFlow::edit(const std::shared_ptr<Shot>& shot)
{
    QPointer<ScreenshotFlow> self(this);
    m_editor.open(
        shot,
        [self](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            if (self)
                self->copyEdited(Handover::make(std::move(marks), std::move(settled)));
        },
        [self, shot](EditorModel::Snapshot marks, ScreenshotEditor::Settled settled) {
            if (self)
                self->finishEditing(shot, Handover::make(std::move(marks), std::move(settled)));
        });
}

// Rendering and encoding take longer than a frame at 5K: done off the main thread. What the user asked for
// reaches the pasteboard even when something else was copied meanwhile: the press, not the end of the work,
// is the moment of the copy.
void ScreenshotFlow::copyEdited(const std::shared_ptr<Handover>& handover)
{
    QPointer<ScreenshotFlow> self(this);
    m_platform.scheduler.background(
        [handover] {
            if (const auto encoded = encodeEdited(*handover))
                handover->copyItem = Paster::imageItem(encoded->png, encoded->picture);
        },
        [self, handover] {
            if (self && handover->copyItem)
                Paster::copyImage(*handover->copyItem, self->m_platform.pasteboard);
            handover->settled(self && handover->copyItem);
        });
}

void ScreenshotFlow::finishEditing(
    const std::shared_ptr<Shot>& shot, const std::shared_ptr<Handover>& handover)
{
    // One finish at a time: a second finish of the same shot must find the file the first one made, and two
    // new files must not pick the same free name.
    QPointer<ScreenshotFlow> self(this);
    m_finishes.push_back([self, shot, handover] {
        if (!self)
            return;
        if (shot->file()) {
            handover->file = shot->file();
        } else if (self->m_settings.screenshotSave()) {
            handover->folder = self->m_settings.screenshotFolderPath(self->m_platform.paths);
            handover->moment = ReferenceDate::toDateTime(self->m_platform.scheduler.currentDate());
        }
        self->m_platform.scheduler.background([handover] { writeEdited(*handover); },
            [self, shot, handover] {
                if (!self)
                    return;
                self->finishedEditing(shot, *handover);
                self->m_finishes.pop_front();
                if (!self->m_finishes.empty())
                    self->m_finishes.front()();
            });
    });
    if (m_finishes.size() == 1)
        m_finishes.front()();
}

std::optional<ShotRenderer::Encoded> ScreenshotFlow::encodeEdited(const Handover& handover)
{
    auto image = handover.marks.render();
    if (!image)
        return std::nullopt;
    return ShotRenderer::encode(std::move(*image), handover.marks.shot->scale());
}

void ScreenshotFlow::writeEdited(Handover& handover)
{
    const auto encoded = encodeEdited(handover);
    if (!encoded)
        return;
    const QByteArray& png = encoded->png;
    handover.rendered = true;
    if (handover.file) {
        if (AtomicFile::write(*handover.file, png))
            handover.written = handover.file;
        else
            handover.failure = QStringLiteral("cannot write ") + *handover.file;
    } else if (handover.folder) {
        auto placed = ScreenshotFiles::write(png, *handover.folder, handover.moment);
        handover.written = std::move(placed.path);
        handover.failure = std::move(placed.failure);
    }
    handover.copyItem = Paster::imageItem(png, encoded->picture);
}

void ScreenshotFlow::finishedEditing(const std::shared_ptr<Shot>& shot, const Handover& handover)
{
    if (!handover.failure.isEmpty())
        m_platform.log.write(QStringLiteral("the edited screenshot was not saved: ") + handover.failure);
    if (handover.rendered) {
        if (handover.written) {
            shot->setFile(handover.written);
            Q_EMIT screenshotFileWritten(*handover.written);
        }
        Paster::copyImage(*handover.copyItem, m_platform.pasteboard);
    }
    handover.settled(handover.rendered);
}

void ScreenshotFlow::askForScreenAccess()
{
    if (!m_platform.defaults.boolValue(screenAccessRequestedKey)) {
        m_platform.defaults.set(screenAccessRequestedKey, true);
        m_platform.screenAccess.request();
        return;
    }
    m_platform.workspace.activateSelf();
    Alerts::Alert alert;
    alert.message = Localization::text("Разрешите запись экрана");
    alert.informativeText = Localization::text(
        "Чтобы делать скриншоты, включите Drimo Copy в «Системные настройки → Конфиденциальность и "
        "безопасность → Запись экрана». После этого приложение нужно перезапустить.");
    alert.buttons = { Localization::text("Открыть настройки"), Localization::text("Перезапустить"),
        Localization::text("Позже") };
    const QString answer = m_platform.alerts.run(alert);
    if (answer == alert.buttons[0])
        ScreenCapture::openSettings(m_platform);
    else if (answer == alert.buttons[1])
        m_relaunch();
}

void ScreenshotFlow::setCapturing(bool capturing)
{
    if (m_capturing == capturing)
        return;
    m_capturing = capturing;
    Q_EMIT capturingChanged();
}
