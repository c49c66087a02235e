#include "Support/CaretLocator.h"

#include "Platform/Accessibility.h"
#include "Platform/AccessibilityAttributes.h"
#include "Platform/Screens.h"
#include "Platform/Workspace.h"

#include <cmath>

namespace CaretLocator {
namespace {

using Element = Accessibility::Element;
using Value = Accessibility::Value;

std::optional<QRectF> validRect(const std::optional<Value>& value)
{
    if (!value)
        return std::nullopt;
    const auto* rect = std::get_if<QRectF>(&*value);
    if (!rect)
        return std::nullopt;
    // Zero width is a normal caret; off-screen positions are left for the picker to clamp.
    if (!std::isfinite(rect->width()) || !std::isfinite(rect->height()) || rect->height() < 1.0)
        return std::nullopt;
    return *rect;
}

std::optional<QRectF> rangeRect(Accessibility& accessibility, Element element)
{
    const auto selected = accessibility.copyAttribute(element, AccessibilityAttributes::selectedTextRange);
    if (selected.error != Accessibility::Error::Success || !selected.value)
        return std::nullopt;
    const auto* range = std::get_if<Accessibility::TextRange>(&*selected.value);
    if (!range)
        return std::nullopt;

    const auto bounds = AccessibilityAttributes::boundsForRange;
    // The one character at the caret gives the caret's own line even when a long selection spans many.
    const auto caret = accessibility.copyParameterizedAttribute(
        element, bounds, Value(Accessibility::TextRange { range->location, 1 }));
    if (caret.error == Accessibility::Error::Success)
        return validRect(caret.value);
    // Some applications cannot measure a single character but can measure the selection. Whatever
    // that call reports, its answer is worth checking.
    const auto selection = accessibility.copyParameterizedAttribute(element, bounds, Value(*range));
    return validRect(selection.value);
}

std::optional<QRectF> markerRect(Accessibility& accessibility, Element element)
{
    // Web views answer with opaque text markers instead of character ranges.
    const auto markers
        = accessibility.copyAttribute(element, AccessibilityAttributes::selectedTextMarkerRange);
    if (markers.error != Accessibility::Error::Success || !markers.value)
        return std::nullopt;
    const auto bounds = accessibility.copyParameterizedAttribute(
        element, AccessibilityAttributes::boundsForTextMarkerRange, *markers.value);
    if (bounds.error != Accessibility::Error::Success)
        return std::nullopt;
    return validRect(bounds.value);
}

} // namespace

std::optional<QRectF> caretRect(Accessibility& accessibility, const Workspace& workspace,
    const Screens& screens, long long ownProcessIdentifier)
{
    if (!accessibility.isProcessTrusted())
        return std::nullopt;
    const auto front = workspace.frontmostApplication();
    if (!front || front->processIdentifier == ownProcessIdentifier)
        return std::nullopt;

    const auto application = accessibility.applicationElement(front->processIdentifier);
    accessibility.setMessagingTimeout(application, messagingTimeout);
    // Chromium- and Electron-based applications build their tree only once asked to; the answer does not
    // matter, applications that do not know the attribute simply refuse it.
    accessibility.setAttribute(application, AccessibilityAttributes::manualAccessibility, Value(true));

    const auto focused = accessibility.copyAttribute(application, AccessibilityAttributes::focusedElement);
    if (focused.error != Accessibility::Error::Success || !focused.value)
        return std::nullopt;
    const auto* element = std::get_if<Element>(&*focused.value);
    if (!element)
        return std::nullopt;

    auto rect = rangeRect(accessibility, *element);
    if (!rect)
        rect = markerRect(accessibility, *element);
    if (!rect)
        return std::nullopt;

    const auto all = screens.screens();
    if (all.empty())
        return std::nullopt;
    const auto primaryHeight = all.front().frame.height();
    return QRectF(rect->x(), primaryHeight - rect->y() - rect->height(), rect->width(), rect->height());
}

} // namespace CaretLocator
