#include "Platform/Simulated/AccessibilitySimulated.h"

#include "Platform/AccessibilityAttributes.h"

#include <cmath>

namespace {

const QByteArray selectedMarker = QByteArrayLiteral("selected-marker-range");

} // namespace

bool AccessibilitySimulated::requestTrust(bool prompt)
{
    // The prompt only sends the user to the settings; trust comes, if ever, later.
    if (prompt && !m_trusted)
        ++m_trustPrompts;
    return m_trusted;
}

Accessibility::Element AccessibilitySimulated::applicationElement(long long processIdentifier)
{
    return elementFor(processIdentifier, true);
}

Accessibility::Error AccessibilitySimulated::setMessagingTimeout(Element element, double seconds)
{
    const auto node = m_nodes.find(element.handle);
    if (node == m_nodes.end() || std::isnan(seconds) || seconds < 0)
        return Error::IllegalArgument;
    // Elements reached through the application element share its time-out.
    if (seconds == 0)
        m_timeouts.erase(node->second.processIdentifier);
    else
        m_timeouts[node->second.processIdentifier] = seconds;
    return Error::Success;
}

Accessibility::Error AccessibilitySimulated::setAttribute(
    Element element, const QString& attribute, const Value& value)
{
    Node node;
    if (const auto error = reach(element, QStringLiteral("set ") + attribute, node); error != Error::Success)
        return error;
    const auto* flag = std::get_if<bool>(&value);
    if (!node.isApplication || !flag)
        return Error::AttributeUnsupported;
    m_flags[{ node.processIdentifier, attribute }] = *flag;
    return Error::Success;
}

Accessibility::Answer AccessibilitySimulated::copyAttribute(Element element, const QString& attribute)
{
    Node node;
    if (const auto error = reach(element, QStringLiteral("copy ") + attribute, node); error != Error::Success)
        return { error, std::nullopt };
    const auto& app = application(node.processIdentifier);
    if (node.isApplication) {
        if (attribute != AccessibilityAttributes::focusedElement)
            return { Error::AttributeUnsupported, std::nullopt };
        if (app.focusedIsNotAnElement)
            return { Error::Success, Value(true) };
        if (!app.focused)
            return { Error::NoValue, std::nullopt };
        return { Error::Success, Value(elementFor(node.processIdentifier, false)) };
    }
    const auto& text = *app.focused;
    if (attribute == AccessibilityAttributes::selectedTextRange && text.selectedRange)
        return { Error::Success, Value(*text.selectedRange) };
    if (attribute == AccessibilityAttributes::selectedTextMarkerRange && text.markerBounds)
        return { Error::Success, Value(MarkerRange { selectedMarker }) };
    return { Error::AttributeUnsupported, std::nullopt };
}

Accessibility::Answer AccessibilitySimulated::copyParameterizedAttribute(
    Element element, const QString& attribute, const Value& parameter)
{
    QString call = QStringLiteral("parameterized ") + attribute;
    if (const auto* range = std::get_if<TextRange>(&parameter))
        call += QStringLiteral(" %1,%2").arg(range->location).arg(range->length);
    Node node;
    if (const auto error = reach(element, call, node); error != Error::Success)
        return { error, std::nullopt };
    if (node.isApplication)
        return { Error::AttributeUnsupported, std::nullopt };
    const auto& text = *application(node.processIdentifier).focused;

    if (attribute == AccessibilityAttributes::boundsForRange) {
        const auto* range = std::get_if<TextRange>(&parameter);
        if (!range || !text.selectedRange)
            return { Error::IllegalArgument, std::nullopt };
        const auto& selected = *text.selectedRange;
        std::optional<QRectF> bounds;
        if (range->location == selected.location && range->length == 1)
            bounds = text.caretBounds;
        else if (*range == selected)
            bounds = text.selectionBounds;
        if (!bounds)
            return { Error::Failure, std::nullopt };
        return { Error::Success, Value(*bounds) };
    }
    if (attribute == AccessibilityAttributes::boundsForTextMarkerRange) {
        const auto* markers = std::get_if<MarkerRange>(&parameter);
        if (!markers || markers->opaque != selectedMarker || !text.markerBounds)
            return { Error::IllegalArgument, std::nullopt };
        return { Error::Success, Value(*text.markerBounds) };
    }
    return { Error::AttributeUnsupported, std::nullopt };
}

void AccessibilitySimulated::setApplication(long long processIdentifier, const Application& application)
{
    m_applications[processIdentifier] = application;
}

void AccessibilitySimulated::setCaret(long long processIdentifier, const std::optional<QRectF>& rect)
{
    auto& app = m_applications[processIdentifier];
    if (!rect) {
        app.focused.reset();
        return;
    }
    TextElement text;
    text.selectedRange = TextRange { 0, 0 };
    text.caretBounds = rect;
    text.selectionBounds = rect;
    app.focused = text;
}

std::optional<bool> AccessibilitySimulated::applicationFlag(
    long long processIdentifier, const QString& attribute) const
{
    const auto flag = m_flags.find({ processIdentifier, attribute });
    if (flag == m_flags.end())
        return std::nullopt;
    return flag->second;
}

Accessibility::Element AccessibilitySimulated::elementFor(long long processIdentifier, bool isApplication)
{
    auto& handle = m_handles[{ processIdentifier, isApplication }];
    if (handle == 0) {
        handle = m_nodes.size() + 1;
        m_nodes[handle] = Node { processIdentifier, isApplication };
    }
    return Element { handle };
}

Accessibility::Error AccessibilitySimulated::reach(Element element, const QString& call, Node& node)
{
    const auto found = m_nodes.find(element.handle);
    if (found == m_nodes.end())
        return Error::InvalidElement;
    if (!m_trusted)
        return Error::ApiDisabled;
    node = found->second;
    m_calls.append(call);
    const auto timeout = m_timeouts.contains(node.processIdentifier) ? m_timeouts.at(node.processIdentifier)
                                                                     : defaultTimeout;
    const auto delay = application(node.processIdentifier).answerDelay;
    if (delay > timeout) {
        m_blocked += timeout;
        return Error::CannotComplete;
    }
    m_blocked += delay;
    // The focused element may have gone away since it was handed out.
    if (!node.isApplication && !application(node.processIdentifier).focused)
        return Error::InvalidElement;
    return Error::Success;
}

const AccessibilitySimulated::Application& AccessibilitySimulated::application(
    long long processIdentifier) const
{
    static const Application none;
    const auto found = m_applications.find(processIdentifier);
    return found == m_applications.end() ? none : found->second;
}

QUrl AccessibilitySimulated::settingsPage() const
{
    return QUrl(
        QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
}
