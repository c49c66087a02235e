#include "Updates/Release.h"

#include <nlohmann/json.hpp>

namespace {

using json = nlohmann::json;

// False when the key holds something other than a string or null.
bool readString(const json& object, const char* key, std::optional<QString>& field)
{
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        return true;
    if (!it->is_string())
        return false;
    const auto& text = it->get_ref<const std::string&>();
    field = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return true;
}

} // namespace

std::optional<Release> Release::decode(QByteArrayView bytes)
{
    if (bytes.size() > maximumFeedBytes)
        return std::nullopt;
    // Without exceptions: malformed text, invalid UTF-8 and the like all come back as "discarded".
    const auto document = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (document.is_discarded() || !document.is_object())
        return std::nullopt;
    Release release;
    if (const auto it = document.find("available"); it != document.end() && !it->is_null()) {
        if (!it->is_boolean())
            return std::nullopt;
        release.available = it->get<bool>();
    }
    if (!readString(document, "version", release.version) || !readString(document, "notes", release.notes)
        || !readString(document, "sha256", release.sha256))
        return std::nullopt;
    return release;
}
