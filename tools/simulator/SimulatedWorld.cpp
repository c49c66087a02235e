#include "SimulatedWorld.h"

#include <QDir>

namespace {

// Reports its removal; the tap itself stays the simulated one.
class ReportingTap final : public KeyboardTap {
public:
    ReportingTap(std::unique_ptr<KeyboardTap> inner, std::function<void(bool)> onTap)
        : m_inner(std::move(inner))
        , m_onTap(std::move(onTap))
    { }
    ~ReportingTap() override
    {
        m_inner.reset();
        m_onTap(false);
    }
    void setEnabled(bool enabled) override { m_inner->setEnabled(enabled); }
    bool isEnabled() const override { return m_inner->isEnabled(); }
    bool setChords(std::vector<KeyChord> chords) override { return m_inner->setChords(std::move(chords)); }

private:
    std::unique_ptr<KeyboardTap> m_inner;
    std::function<void(bool)> m_onTap;
};

QString preparedHome(const QString& home)
{
    for (const char* folder : { "Library/Application Support", "Library/Preferences", "Desktop", "tmp" })
        QDir(home).mkpath(QString::fromLatin1(folder));
    return home;
}

} // namespace

SimulatedWorld::SimulatedWorld(const QString& home)
    : paths(preparedHome(home))
    , defaults(home + QStringLiteral("/Library/Preferences"))
{
    // The system's own tap refuses untrusted processes, as the accessibility service does.
    accessibility.setTrusted(false);
    keyboardEvents.setTrusted(false);
}

std::unique_ptr<KeyboardTap> SimulatedWorld::Keyboard::createTap(
    std::vector<KeyChord> chords, TapCallback callback)
{
    auto tap = m_inner.createTap(std::move(chords), std::move(callback));
    onTap(tap != nullptr);
    if (!tap)
        return nullptr;
    return std::make_unique<ReportingTap>(std::move(tap), onTap);
}

bool SimulatedWorld::Keyboard::post(const KeyEvent& event)
{
    onPost(event);
    return m_inner.post(event);
}

Platform SimulatedWorld::platform()
{
    return Platform {
        .scheduler = scheduler,
        .pasteboard = pasteboard,
        .workspace = reportingWorkspace,
        .keyboard = keyboard,
        .paths = paths,
        .defaults = defaults,
        .screens = screens,
        .accessibility = accessibility,
        .processes = reportingProcesses,
        .alerts = alerts,
        .loginItems = loginItems,
        .log = log,
        .bundle = bundle,
        .lifecycle = lifecycle,
        .http = http,
        .diskImages = diskImages,
        .codeSigning = codeSigning,
        .bundleReplacement = bundleReplacement,
        .hotKeys = hotKeys,
        .screenAccess = screenAccess,
    };
}
