#pragma once

#include "Platform/Platform.h"
#include "Screenshots/ScreenshotEditor.h"
#include "Screenshots/ShotRenderer.h"
#include "Screenshots/ThumbnailPanel.h"

#include <QObject>

#include <deque>
#include <functional>
#include <memory>

class AppSettings;
class Shot;

// A screenshot's road from the capture tool to the folder, the pasteboard and the thumbnail, and an edited
// shot's road back to its file and the pasteboard. Runs on the main thread; the slow parts go to workers.
class ScreenshotFlow final : public QObject {
    Q_OBJECT
public:
    // No screen yields a PNG anywhere near this; a larger capture file is not read.
    static constexpr qint64 maximumCaptureBytes = 512LL * 1024 * 1024;
    // Set once the system's own screen-recording prompt has been shown; later attempts get our alert.
    static inline const QString screenAccessRequestedKey = QStringLiteral("screenAccessRequested");

    // `beforeCapture` clears the way for the area tool (the picker goes); `relaunch` starts the program anew.
    ScreenshotFlow(const Platform& platform, AppSettings& settings, std::function<void()> beforeCapture,
        std::function<void()> relaunch, QObject* parent = nullptr);
    ~ScreenshotFlow() override;

    // Captures an area and saves, copies and shows it as the settings say; ignored while a capture runs,
    // and a request for the screen-recording permission instead when that is missing.
    void takeScreenshot();
    // Opens an editor window for the shot; "Готово" writes it back and copies it.
    void edit(const std::shared_ptr<Shot>& shot);

    bool capturing() const { return m_capturing; }
    ThumbnailPanel& thumbnail() { return m_thumbnail; }
    ScreenshotEditor& editor() { return m_editor; }

Q_SIGNALS:
    void capturingChanged();
    // The capture tool has ended: `captured` when it left a file at `path`, its temporary location.
    void captureEnded(bool captured, const QString& path);
    // A screenshot file was moved into place or written.
    void screenshotFileWritten(const QString& path);

private:
    struct Capture;
    struct Handover;

    void captured(const std::shared_ptr<Capture>& capture, bool ok);
    void present(const std::shared_ptr<Capture>& capture);
    void copyEdited(const std::shared_ptr<Handover>& handover);
    void finishEditing(const std::shared_ptr<Shot>& shot, const std::shared_ptr<Handover>& handover);
    static std::optional<ShotRenderer::Encoded> encodeEdited(const Handover& handover);
    static void writeEdited(Handover& handover);
    void finishedEditing(const std::shared_ptr<Shot>& shot, const Handover& handover);
    void askForScreenAccess();
    void setCapturing(bool capturing);

    Platform m_platform;
    AppSettings& m_settings;
    std::function<void()> m_beforeCapture;
    std::function<void()> m_relaunch;
    ThumbnailPanel m_thumbnail;
    ScreenshotEditor m_editor;
    bool m_capturing = false;
    // Editor finishes waiting their turn, the running one first.
    std::deque<std::function<void()>> m_finishes;
};
