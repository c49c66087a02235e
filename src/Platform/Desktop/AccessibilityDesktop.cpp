#include "Platform/Desktop/AccessibilityDesktop.h"

#include "Foundation/Localization.h"

#include "Platform/AccessibilityAttributes.h"
#include "Platform/Desktop/AtspiRef.h"
#include "Platform/Desktop/AtspiSession.h"

#include <QGuiApplication>
#include <QScreen>

#include <climits>
#include <cmath>

namespace {

bool isEmpty(const AtspiRect* rect)
{
    return !rect || rect->height <= 0 || rect->width < 0;
}

} // namespace

AccessibilityDesktop::AccessibilityDesktop(bool trusted)
    : m_trusted(trusted)
    // Joined now rather than on the first question, so that the focus is followed from the start.
    , m_session(m_trusted ? AtspiSession::join() : nullptr)
{ }

AccessibilityDesktop::~AccessibilityDesktop()
{
    forgetAll();
}

QRectF AccessibilityDesktop::fromScreenPixels(
    const QRectF& pixels, const QRect& screen, double ratio, const QRect& primary)
{
    if (!(ratio > 0))
        ratio = 1;
    const QPointF origin = screen.topLeft();
    const QPointF topLeft = origin + (pixels.topLeft() - origin) / ratio;
    return { topLeft - QPointF(primary.topLeft()), pixels.size() / ratio };
}

Accessibility::Element AccessibilityDesktop::remember(AtspiAccessible* object)
{
    m_objects.push_back(object ? static_cast<AtspiAccessible*>(g_object_ref(object)) : nullptr);
    return { (std::uint64_t(m_lookup) << 32) | m_objects.size() };
}

void AccessibilityDesktop::forgetAll()
{
    for (AtspiAccessible* object : m_objects)
        if (object)
            g_object_unref(object);
    m_objects.clear();
}

Accessibility::Element AccessibilityDesktop::applicationElement(long long processIdentifier)
{
    forgetAll();
    ++m_lookup;
    if (processIdentifier < 0)
        return {};
    if (m_session)
        m_session->beginLookup(lookupBudgetMilliseconds);
    Ref<AtspiAccessible> found(m_session ? m_session->application(processIdentifier) : nullptr);
    // An application that is not on the bus still gets an element: it simply has no focused one.
    return remember(found.get());
}

Accessibility::Error AccessibilityDesktop::resolve(Element element, AtspiAccessible*& object) const
{
    if (!m_trusted)
        return Error::ApiDisabled;
    const std::uint64_t index = element.handle & 0xffffffffu;
    if ((element.handle >> 32) != m_lookup || index == 0 || index > m_objects.size())
        return Error::InvalidElement;
    object = m_objects[index - 1];
    return Error::Success;
}

Accessibility::Error AccessibilityDesktop::setMessagingTimeout(Element element, double seconds)
{
    if (element.handle == 0 || std::isnan(seconds) || seconds < 0)
        return Error::IllegalArgument;
    AtspiAccessible* object = nullptr;
    const Error error = resolve(element, object);
    if (error == Error::Success && m_session) {
        const double milliseconds = std::min(seconds * 1000, double(INT_MAX));
        // A time-out of 0 restores libatspi's default.
        m_session->setCallTimeout(
            seconds == 0 ? AtspiSession::defaultCallMilliseconds : std::max(1, int(milliseconds)));
    }
    return error;
}

Accessibility::Error AccessibilityDesktop::setAttribute(Element element, const QString&, const Value&)
{
    AtspiAccessible* object = nullptr;
    const Error error = resolve(element, object);
    return error == Error::Success ? Error::AttributeUnsupported : error;
}

Accessibility::Answer AccessibilityDesktop::copyAttribute(Element element, const QString& attribute)
{
    AtspiAccessible* object = nullptr;
    if (const Error error = resolve(element, object); error != Error::Success)
        return { error, std::nullopt };
    if (attribute == AccessibilityAttributes::focusedElement)
        return focusedElement(object);
    if (attribute == AccessibilityAttributes::selectedTextRange)
        return caretRange(object);
    return { Error::AttributeUnsupported, std::nullopt };
}

Accessibility::Answer AccessibilityDesktop::copyParameterizedAttribute(
    Element element, const QString& attribute, const Value& parameter)
{
    AtspiAccessible* object = nullptr;
    if (const Error error = resolve(element, object); error != Error::Success)
        return { error, std::nullopt };
    if (attribute == AccessibilityAttributes::boundsForRange)
        return bounds(object, parameter);
    return { Error::AttributeUnsupported, std::nullopt };
}

bool AccessibilityDesktop::mayCall()
{
    return !m_session || m_session->allowCall();
}

Accessibility::Answer AccessibilityDesktop::focusedElement(AtspiAccessible* application)
{
    if (!application)
        return { Error::NoValue, std::nullopt };
    Ref<AtspiAccessible> focused(m_session ? m_session->focusedElement(application) : nullptr);
    if (!focused)
        return { Error::NoValue, std::nullopt };
    return { Error::Success, Value(remember(focused.get())) };
}

Accessibility::Answer AccessibilityDesktop::caretRange(AtspiAccessible* object)
{
    if (!mayCall())
        return { Error::CannotComplete, std::nullopt };
    Ref<AtspiText> text(object ? atspi_accessible_get_text_iface(object) : nullptr);
    if (!text)
        return { Error::AttributeUnsupported, std::nullopt };
    if (!mayCall())
        return { Error::CannotComplete, std::nullopt };
    ErrorSlot error;
    const int caret = atspi_text_get_caret_offset(text.get(), &error);
    if (error.failed() || caret < 0)
        return { Error::NoValue, std::nullopt };
    return { Error::Success, Value(TextRange { caret, 0 }) };
}

Accessibility::Answer AccessibilityDesktop::bounds(AtspiAccessible* object, const Value& parameter)
{
    const auto* range = std::get_if<TextRange>(&parameter);
    if (!range || range->location < 0 || range->length < 0 || range->location > INT_MAX
        || range->length > INT_MAX - range->location)
        return { Error::IllegalArgument, std::nullopt };
    if (!mayCall())
        return { Error::CannotComplete, std::nullopt };
    Ref<AtspiText> text(object ? atspi_accessible_get_text_iface(object) : nullptr);
    if (!text)
        return { Error::AttributeUnsupported, std::nullopt };

    const int start = int(range->location);
    // Nothing measured once the lookup's budget is spent.
    const auto extents = [&](int from, int to) {
        std::unique_ptr<AtspiRect, decltype(&g_free)> rect(nullptr, &g_free);
        if (!mayCall())
            return rect;
        ErrorSlot error;
        rect.reset(to - from <= 1
                ? atspi_text_get_character_extents(text.get(), from, ATSPI_COORD_TYPE_SCREEN, &error)
                : atspi_text_get_range_extents(text.get(), from, to, ATSPI_COORD_TYPE_SCREEN, &error));
        return rect;
    };
    auto rect = extents(start, start + int(range->length));
    QRectF pixels;
    if (!isEmpty(rect.get()))
        pixels = QRectF(rect->x, rect->y, rect->width, rect->height);
    else if (range->length <= 1 && start > 0) {
        // A caret after the last character has no character to measure: it stands at the previous one's
        // trailing edge.
        const auto previous = extents(start - 1, start);
        if (isEmpty(previous.get()))
            return { Error::NoValue, std::nullopt };
        pixels = QRectF(previous->x + previous->width, previous->y, 0, previous->height);
    } else
        return { Error::NoValue, std::nullopt };

    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return { Error::Success, Value(pixels) };
    const QScreen* holding = primary;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF native(
            screen->geometry().topLeft(), QSizeF(screen->geometry().size()) * screen->devicePixelRatio());
        if (native.contains(pixels.topLeft()))
            holding = screen;
    }
    return { Error::Success,
        Value(fromScreenPixels(
            pixels, holding->geometry(), holding->devicePixelRatio(), primary->geometry())) };
}

QString AccessibilityDesktop::grantInstructions() const
{
    // Trust on X11 is the server's to give: its keyboard grabs and the XTest extension. No setting grants
    // it, and nothing but a session on such a server does.
    return Localization::text("Удержание клавиш работает в сеансе X11 с расширением XTest. Войдите в "
                              "сеанс X11 и перезапустите Drimo Copy.");
}
