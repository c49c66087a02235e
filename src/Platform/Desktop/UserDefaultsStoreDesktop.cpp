#include "Platform/Desktop/UserDefaultsStoreDesktop.h"

#include "Foundation/AtomicFile.h"
#include "Foundation/RegularFile.h"

#include <QDir>
#include <QFile>

#include <nlohmann/json.hpp>

namespace {

// Preferences are a few hundred bytes; this leaves room for any value a user could reasonably store.
constexpr qint64 maximumFileBytes = 16 * 1024 * 1024;

} // namespace

UserDefaultsStoreDesktop::UserDefaultsStoreDesktop(QString folder)
    : m_folder(std::move(folder))
{ }

QString UserDefaultsStoreDesktop::filePath(const QString& domain) const
{
    // Domains are reverse-DNS names; anything that could leave the folder is flattened.
    QString safe = domain;
    safe.replace(u'/', u'_');
    if (safe.startsWith(u'.'))
        safe.prepend(u'_');
    return m_folder + u'/' + safe + QStringLiteral(".json");
}

std::map<QString, DefaultsValue>& UserDefaultsStoreDesktop::domainValues(const QString& domain) const
{
    auto found = m_cache.find(domain);
    if (found != m_cache.end())
        return found->second;
    auto& values = m_cache[domain];
    // A settings file may be a link into the user's own dotfiles; but a FIFO, a folder or a file of
    // gigabytes in its place is as unreadable as nonsense, and is never waited on or read whole.
    const RegularFile::Contents file
        = RegularFile::read(filePath(domain), maximumFileBytes, RegularFile::Links::Follow);
    if (file.status != RegularFile::Status::Read) {
        m_unreadable[domain] = file.status == RegularFile::Status::Unreadable;
        return values;
    }
    const QByteArray& bytes = file.bytes;
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!json.is_object()) {
        m_unreadable[domain] = true;
        return values;
    }
    for (const auto& [key, stored] : json.items()) {
        if (auto value = DefaultsValue::fromJson(stored))
            values.insert_or_assign(QString::fromStdString(key), *value);
    }
    return values;
}

std::optional<DefaultsValue> UserDefaultsStoreDesktop::value(const QString& domain, const QString& key) const
{
    const auto& values = domainValues(domain);
    const auto found = values.find(key);
    if (found == values.end())
        return std::nullopt;
    return found->second;
}

void UserDefaultsStoreDesktop::setValue(const QString& domain, const QString& key, const DefaultsValue& value)
{
    domainValues(domain).insert_or_assign(key, value);
    save(domain);
}

void UserDefaultsStoreDesktop::removeValue(const QString& domain, const QString& key)
{
    if (domainValues(domain).erase(key) > 0)
        save(domain);
}

std::map<QString, DefaultsValue> UserDefaultsStoreDesktop::values(const QString& domain) const
{
    return domainValues(domain);
}

void UserDefaultsStoreDesktop::save(const QString& domain)
{
    QDir().mkpath(m_folder);
    const QString path = filePath(domain);
    // A file we could not read is kept aside rather than overwritten, so nothing the user had is lost.
    if (m_unreadable[domain]) {
        QFile::remove(path + QStringLiteral(".unreadable"));
        QFile::rename(path, path + QStringLiteral(".unreadable"));
        m_unreadable[domain] = false;
    }
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const auto& [key, value] : m_cache[domain])
        json[key.toStdString()] = value.toJson();
    const std::string text = json.dump(2);
    AtomicFile::write(path, QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
}
