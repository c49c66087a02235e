#pragma once

#include "Platform/CodeSigning.h"

// Signatures as the simulated bundles describe them; the running application is signed unless a test says
// it is ad hoc.
class CodeSigningSimulated final : public CodeSigning {
public:
    bool isSameSigner(const QString& bundlePath) override;
    bool isAdHocSigned() override { return m_adHoc; }

    void setAdHocSigned(bool adHoc) { m_adHoc = adHoc; }

private:
    bool m_adHoc = false;
};
