#include "Platform/Simulated/SimulatedBundle.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/RegularFile.h"

#include <QDir>

#include <nlohmann/json.hpp>

namespace SimulatedBundle {

namespace {

constexpr qint64 maximumDescriptionBytes = 64 * 1024;

const char* signerName(Signer signer)
{
    switch (signer) {
    case Signer::Same:
        return "same";
    case Signer::Other:
        return "other";
    case Signer::None:
        break;
    }
    return "none";
}

} // namespace

bool write(const QString& bundlePath, const Description& description)
{
    if (!QDir().mkpath(bundlePath + QStringLiteral("/Contents")))
        return false;
    nlohmann::json json = nlohmann::json::object();
    if (description.identity.identifier)
        json["CFBundleIdentifier"] = description.identity.identifier->toStdString();
    if (description.identity.version)
        json["CFBundleShortVersionString"] = description.identity.version->toStdString();
    json["signer"] = signerName(description.signer);
    return AtomicFile::write(bundlePath + u'/' + descriptionPath, QByteArray::fromStdString(json.dump()));
}

std::optional<Description> read(const QString& bundlePath)
{
    const auto bytes = RegularFile::bytes(bundlePath + u'/' + descriptionPath, maximumDescriptionBytes);
    if (!bytes)
        return std::nullopt;
    const auto json = nlohmann::json::parse(bytes->begin(), bytes->end(), nullptr, false);
    if (json.is_discarded() || !json.is_object())
        return std::nullopt;
    Description description;
    const auto string = [&json](const char* key) -> std::optional<QString> {
        const auto it = json.find(key);
        if (it == json.end() || !it->is_string())
            return std::nullopt;
        return QString::fromStdString(it->get<std::string>());
    };
    description.identity.identifier = string("CFBundleIdentifier");
    description.identity.version = string("CFBundleShortVersionString");
    const auto signer = string("signer");
    description.signer = signer == QLatin1String("same") ? Signer::Same
        : signer == QLatin1String("other")               ? Signer::Other
                                                         : Signer::None;
    return description;
}

} // namespace SimulatedBundle
