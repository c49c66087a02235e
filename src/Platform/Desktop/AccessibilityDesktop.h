#pragma once

#include "Platform/Accessibility.h"

#include <QRect>

#include <memory>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;
class AtspiSession;

// Accessibility on X11. There is no permission to grant: the process is trusted when it can reach the X
// server and its XTest extension, which is all the keyboard tap needs. Other applications' trees are read
// through AT-SPI; without its bus no application reports a focused element.
//
// Elements live until the next `applicationElement` call: each lookup starts afresh, and the handles of an
// earlier lookup then answer InvalidElement. A lookup takes 300 ms at most, whatever the application does:
// once that is spent, calls answer CannotComplete without asking it. Only what the caret needs is answered:
// the focused element, the caret's offset ("AXSelectedTextRange", the caret with length 0) and
// "AXBoundsForRange".
class AccessibilityDesktop final : public Accessibility {
public:
    // `trusted`: whether this process reached the X server and its XTest extension (the keyboard tap
    // knows); only then is AT-SPI joined.
    explicit AccessibilityDesktop(bool trusted);
    ~AccessibilityDesktop() override;
    AccessibilityDesktop(const AccessibilityDesktop&) = delete;
    AccessibilityDesktop& operator=(const AccessibilityDesktop&) = delete;

    bool isProcessTrusted() const override { return m_trusted; }
    bool requestTrust(bool) override { return m_trusted; }
    QUrl settingsPage() const override { return {}; }
    QString grantInstructions() const override;
    Element applicationElement(long long processIdentifier) override;
    Error setMessagingTimeout(Element element, double seconds) override;
    Error setAttribute(Element element, const QString& attribute, const Value& value) override;
    Answer copyAttribute(Element element, const QString& attribute) override;
    Answer copyParameterizedAttribute(
        Element element, const QString& attribute, const Value& parameter) override;

    // A rectangle AT-SPI reports in the X screen's pixels, in accessibility coordinates: Qt's device-
    // independent pixels, measured from the top-left of `primary`. `screen` is the screen holding it, in
    // Qt's geometry (its origin stays in device pixels) and with its pixel ratio.
    static QRectF fromScreenPixels(
        const QRectF& pixels, const QRect& screen, double ratio, const QRect& primary);

private:
    // Takes a reference of its own; `object` may be null for an application that is not on the bus.
    Element remember(AtspiAccessible* object);
    void forgetAll();
    // The object behind a handle of the current lookup (null for an application not on the bus);
    // InvalidElement for any other handle, ApiDisabled when the process is not trusted.
    Error resolve(Element element, AtspiAccessible*& object) const;

    // Before each call that may reach another application: false once the lookup's budget is spent.
    bool mayCall();
    Answer focusedElement(AtspiAccessible* application);
    Answer caretRange(AtspiAccessible* object);
    Answer bounds(AtspiAccessible* object, const Value& parameter);

    static constexpr int lookupBudgetMilliseconds = 300;

    bool m_trusted = false;
    std::unique_ptr<AtspiSession> m_session;
    std::uint32_t m_lookup = 0;
    std::vector<AtspiAccessible*> m_objects; // of the current lookup; a handle is (lookup << 32) | index + 1
};
