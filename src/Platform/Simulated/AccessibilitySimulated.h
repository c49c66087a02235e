#pragma once

#include "Platform/Accessibility.h"

#include <QHash>
#include <QStringList>

#include <map>

// Other applications' accessibility trees as a script sets them. Each application has at most one
// focused element, which answers the text attributes the caret lookup asks for. Nothing sleeps: an
// application slower than the time-out makes the call fail after adding the time-out to blockedSeconds().
// Applications that were never described behave like ones without a focused element.
class AccessibilitySimulated final : public Accessibility {
public:
    // The system's own messaging time-out when none was set.
    static constexpr double defaultTimeout = 6.0;

    // The focused element of an application. Bounds that are absent make that bounds call fail.
    struct TextElement {
        std::optional<TextRange> selectedRange; // "AXSelectedTextRange"; absent: not supported
        std::optional<QRectF> caretBounds; // "AXBoundsForRange" of the one character at the caret
        std::optional<QRectF> selectionBounds; // "AXBoundsForRange" of the whole selected range
        // Answered for "AXBoundsForTextMarkerRange" of the selected marker range; absent: the element
        // has no text markers.
        std::optional<QRectF> markerBounds;
    };
    struct Application {
        std::optional<TextElement> focused; // absent: "AXFocusedUIElement" has no value
        bool focusedIsNotAnElement = false; // "AXFocusedUIElement" answers a value of another type
        double answerDelay = 0; // seconds each call takes the application to answer
    };

    bool isProcessTrusted() const override { return m_trusted; }
    bool requestTrust(bool prompt) override;
    // The macOS privacy pane for accessibility.
    QUrl settingsPage() const override;
    QString grantInstructions() const override { return {}; }
    Element applicationElement(long long processIdentifier) override;
    Error setMessagingTimeout(Element element, double seconds) override;
    Error setAttribute(Element element, const QString& attribute, const Value& value) override;
    Answer copyAttribute(Element element, const QString& attribute) override;
    Answer copyParameterizedAttribute(
        Element element, const QString& attribute, const Value& parameter) override;

    void setTrusted(bool trusted) { m_trusted = trusted; }
    void setApplication(long long processIdentifier, const Application& application);
    // A focused text element whose caret is `rect`: both the selected range and its one-character bounds
    // answer with it. Nothing: the application has no focused text element.
    void setCaret(long long processIdentifier, const std::optional<QRectF>& rect);

    int trustPrompts() const { return m_trustPrompts; }
    // Every call that reached an application, in order, e.g. "copy AXFocusedUIElement" or
    // "parameterized AXBoundsForRange 4,1".
    const QStringList& calls() const { return m_calls; }
    // Total time callers spent waiting for answers.
    double blockedSeconds() const { return m_blocked; }
    // The boolean attributes set on an application element ("AXManualAccessibility").
    std::optional<bool> applicationFlag(long long processIdentifier, const QString& attribute) const;

private:
    struct Node {
        long long processIdentifier = 0;
        bool isApplication = true;
    };

    Element elementFor(long long processIdentifier, bool isApplication);
    // Looks the element up and waits for its application; Success when the call may proceed.
    Error reach(Element element, const QString& call, Node& node);
    const Application& application(long long processIdentifier) const;

    bool m_trusted = false;
    int m_trustPrompts = 0;
    double m_blocked = 0;
    QStringList m_calls;
    std::map<long long, Application> m_applications;
    std::map<long long, double> m_timeouts; // per process: a time-out set on the application element
    std::map<std::pair<long long, QString>, bool> m_flags;
    std::map<std::uint64_t, Node> m_nodes;
    std::map<std::pair<long long, bool>, std::uint64_t> m_handles;
};
