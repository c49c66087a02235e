#pragma once

#include <QString>

// Who signed an application, as far as installing an update needs to know.
class CodeSigning {
public:
    virtual ~CodeSigning() = default;

    // Whether the application bundle at `bundlePath` is signed by the same signer as the running one and
    // unaltered since. False on any failure.
    virtual bool isSameSigner(const QString& bundlePath) = 0;
    // Whether the running application carries no signer's identity, so that no update can be verified
    // against it. True on any failure.
    virtual bool isAdHocSigned() = 0;
};
