#include "Updates/Release.h"
#include "Updates/ReleaseVersion.h"

#include <cstdlib>

// The feed comes from a server we do not control: any bytes decode or are refused, and whatever version
// they carry compares without fault. A version that passes the download check is plain ASCII.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto release
        = Release::decode(QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (!release || !release->version)
        return 0;
    const QString& version = *release->version;
    (void)ReleaseVersion::isNewer(version, QStringLiteral("1.0"));
    if (ReleaseVersion::isNewer(version, version))
        std::abort();
    if (ReleaseVersion::isWellFormed(version)) {
        for (const QChar c : version)
            if (c != u'.' && (c < u'0' || c > u'9'))
                std::abort();
    }
    return 0;
}
