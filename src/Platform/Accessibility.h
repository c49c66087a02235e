#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <optional>
#include <variant>

// The accessibility tree of other applications, as a small element model: elements answer named
// attributes, some of them with a parameter. Calls go to the application that owns the element and may
// block until it answers or the element's messaging time-out passes.
class Accessibility {
public:
    // An element of some application's tree. Handle 0 is no element.
    struct Element {
        std::uint64_t handle = 0;
        bool operator==(const Element&) const = default;
    };
    // A run of characters in a text element.
    struct TextRange {
        long long location = 0;
        long long length = 0;
        bool operator==(const TextRange&) const = default;
    };
    // An opaque run of text positions that only the answering application can interpret.
    struct MarkerRange {
        QByteArray opaque;
        bool operator==(const MarkerRange&) const = default;
    };
    // What an attribute holds or a parameter passes. Rectangles are in accessibility coordinates: origin
    // at the top-left of the primary screen, y downwards.
    using Value = std::variant<bool, Element, TextRange, QRectF, MarkerRange>;

    enum class Error {
        Success,
        Failure, // the application reported a failure
        IllegalArgument,
        InvalidElement,
        AttributeUnsupported,
        NoValue,
        CannotComplete, // the application did not answer within the time-out
        ApiDisabled, // this process is not trusted
    };

    struct Answer {
        Error error = Error::Failure;
        std::optional<Value> value; // may be present even when `error` reports a failure
    };

    virtual ~Accessibility() = default;

    // Whether this process may use the accessibility interface; false when unknown.
    virtual bool isProcessTrusted() const = 0;
    // The same question; with `prompt` the system asks the user to grant trust (once per call). Returns the
    // trust as it is now, false when unknown; granting happens later, outside the program.
    virtual bool requestTrust(bool prompt) = 0;
    // The system settings page where the user grants trust; an empty URL where no settings page does.
    virtual QUrl settingsPage() const = 0;
    // Where there is no settings page: one sentence telling the user what gives this process trust
    // instead. Empty where the settings page is the way.
    virtual QString grantInstructions() const = 0;

    // The application element of the process `processIdentifier`. Never fails by itself: calls on the
    // element of a process that does not exist answer InvalidElement or CannotComplete.
    virtual Element applicationElement(long long processIdentifier) = 0;
    // How long calls on `element` (and the elements reached through it) wait for an answer; 0 restores
    // the system default. IllegalArgument for negative or NaN seconds or no element.
    virtual Error setMessagingTimeout(Element element, double seconds) = 0;

    // Each of these returns the error of the call (anything but Success on failure) and what was answered.
    virtual Error setAttribute(Element element, const QString& attribute, const Value& value) = 0;
    virtual Answer copyAttribute(Element element, const QString& attribute) = 0;
    virtual Answer copyParameterizedAttribute(
        Element element, const QString& attribute, const Value& parameter)
        = 0;
};
