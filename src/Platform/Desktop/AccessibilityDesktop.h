#pragma once

#include "Platform/Accessibility.h"

// Accessibility on X11. There is no permission to grant: the process is trusted when it can reach the X
// server and its XTest extension, which is all the keyboard tap needs. Other applications' text is not
// read yet (that needs AT-SPI), so no application reports a focused element and the caret is never known.
class AccessibilityDesktop final : public Accessibility {
public:
    AccessibilityDesktop();

    bool isProcessTrusted() const override { return m_trusted; }
    bool requestTrust(bool) override { return m_trusted; }
    Element applicationElement(long long processIdentifier) override;
    Error setMessagingTimeout(Element element, double seconds) override;
    Error setAttribute(Element element, const QString& attribute, const Value& value) override;
    Answer copyAttribute(Element element, const QString& attribute) override;
    Answer copyParameterizedAttribute(
        Element element, const QString& attribute, const Value& parameter) override;

private:
    Error check(Element element) const;

    bool m_trusted = false;
};
