#include "GlobalShortcuts/StoredShortcut.h"

#include <nlohmann/json.hpp>

#include <set>
#include <string>

namespace GlobalShortcuts {
namespace {

// QString can carry unpaired surrogates, which no UTF-8 text holds; such a string is not JSON at all.
bool isWellFormed(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto unit = text.at(i);
        if (unit.isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate())
                return false;
            ++i;
        } else if (unit.isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

std::optional<std::int64_t> integerMember(const nlohmann::json& object, const char* name)
{
    const auto found = object.find(name);
    if (found == object.end() || !found->is_number_integer())
        return std::nullopt;
    // Past the signed 64-bit range the parser keeps the number unsigned; such a value is not ours.
    if (found->is_number_unsigned()) {
        const auto value = found->get<std::uint64_t>();
        if (value > static_cast<std::uint64_t>(INT64_MAX))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    return found->get<std::int64_t>();
}

} // namespace

std::optional<Shortcut> StoredShortcut::decodeJson(const QString& text)
{
    // Two integers with their names fit many times over; a longer value is someone else's data, and
    // parsing it would only cost time.
    constexpr qsizetype longestStoredText = 4096;
    if (text.size() > longestStoredText || !isWellFormed(text))
        return std::nullopt;
    const auto utf8 = text.toStdString();
    // A repeated member would let the parser keep either copy silently; the value is then ambiguous.
    bool repeatedMember = false;
    std::set<std::string> seen;
    const nlohmann::json::parser_callback_t callback
        = [&](int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
              if (event == nlohmann::json::parse_event_t::key && depth == 1 && parsed.is_string()
                  && !seen.insert(parsed.get<std::string>()).second)
                  repeatedMember = true;
              return true;
          };
    const auto json = nlohmann::json::parse(utf8, callback, false);
    if (json.is_discarded() || !json.is_object() || json.size() != 2 || repeatedMember)
        return std::nullopt;
    const auto keyCode = integerMember(json, "carbonKeyCode");
    const auto modifiers = integerMember(json, "carbonModifiers");
    if (!keyCode || !modifiers)
        return std::nullopt;
    return Shortcut { *keyCode, *modifiers };
}

StoredShortcut StoredShortcut::decode(const std::optional<DefaultsValue>& value)
{
    if (!value)
        return {};
    if (value->kind() == DefaultsValue::Kind::Boolean)
        return value->asBoolean() == false ? StoredShortcut { State::Disabled, std::nullopt }
                                           : StoredShortcut {};
    if (value->kind() != DefaultsValue::Kind::String)
        return {};
    if (const auto shortcut = decodeJson(*value->asString()))
        return { State::Shortcut, shortcut };
    return {};
}

QString StoredShortcut::encode(const Shortcut& shortcut)
{
    nlohmann::ordered_json json;
    json["carbonKeyCode"] = shortcut.carbonKeyCode;
    json["carbonModifiers"] = shortcut.carbonModifiers;
    return QString::fromStdString(json.dump());
}

} // namespace GlobalShortcuts
