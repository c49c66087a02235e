#pragma once

#include <QString>

#include <optional>

// Facts about the running application itself and where it is installed.
class BundleInfo {
public:
    // What an application bundle says it is.
    struct Identity {
        std::optional<QString> identifier;
        std::optional<QString> version;
    };

    virtual ~BundleInfo() = default;

    // The short version string ("1.4.2"); nothing when the bundle has none or it is not a string.
    virtual std::optional<QString> shortVersion() const = 0;
    // Where the application is installed: what must be started to run it again. Never fails; a process
    // that cannot tell gives its executable's path.
    virtual QString bundlePath() const = 0;
    // The shell command that starts the application at the path given as its one argument ("open" for a
    // bundle, "exec" for a plain executable). Used inside a quoted shell script, so it is a bare word.
    virtual QString launchCommand() const = 0;
    // This process, as the workspace identifies applications. Never fails.
    virtual long long processIdentifier() const = 0;
    // The running application's identifier ("com.drimo.copy"); nothing when it has none.
    virtual std::optional<QString> bundleIdentifier() const = 0;
    // The identifier and version of another application bundle, such as an update; nothing when its
    // description cannot be read or parsed.
    virtual std::optional<Identity> identityAt(const QString& bundlePath) const = 0;
};
