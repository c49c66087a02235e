#include "Platform/Desktop/AccessibilityDesktop.h"

#include "Platform/Desktop/X11Connection.h"

#include <cmath>

AccessibilityDesktop::AccessibilityDesktop()
    : m_trusted(X11Connection::hasXTest())
{ }

Accessibility::Element AccessibilityDesktop::applicationElement(long long processIdentifier)
{
    // Handle 0 means no element, so the pid is offset by one; negative pids name no process.
    return { processIdentifier < 0 ? 0 : static_cast<std::uint64_t>(processIdentifier) + 1 };
}

Accessibility::Error AccessibilityDesktop::check(Element element) const
{
    if (!m_trusted)
        return Error::ApiDisabled;
    return element.handle == 0 ? Error::InvalidElement : Error::Success;
}

Accessibility::Error AccessibilityDesktop::setMessagingTimeout(Element element, double seconds)
{
    if (element.handle == 0 || std::isnan(seconds) || seconds < 0)
        return Error::IllegalArgument;
    return check(element);
}

Accessibility::Error AccessibilityDesktop::setAttribute(Element element, const QString&, const Value&)
{
    const Error error = check(element);
    return error == Error::Success ? Error::AttributeUnsupported : error;
}

Accessibility::Answer AccessibilityDesktop::copyAttribute(Element element, const QString& attribute)
{
    const Error error = check(element);
    if (error != Error::Success)
        return { error, std::nullopt };
    return { attribute == QLatin1String("AXFocusedUIElement") ? Error::NoValue : Error::AttributeUnsupported,
        std::nullopt };
}

Accessibility::Answer AccessibilityDesktop::copyParameterizedAttribute(
    Element element, const QString&, const Value&)
{
    const Error error = check(element);
    return { error == Error::Success ? Error::AttributeUnsupported : error, std::nullopt };
}
