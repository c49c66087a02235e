#include "Platform/Simulated/CodeSigningSimulated.h"

#include "Platform/Simulated/SimulatedBundle.h"

bool CodeSigningSimulated::isSameSigner(const QString& bundlePath)
{
    // An ad hoc running copy has no requirement that any other bundle could satisfy.
    const auto description = SimulatedBundle::read(bundlePath);
    return !m_adHoc && description && description->signer == SimulatedBundle::Signer::Same;
}
