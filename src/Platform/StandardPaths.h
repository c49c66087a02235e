#pragma once

#include <QString>

// Well-known folders of the current user. Each is an absolute path without a trailing slash.
class StandardPaths {
public:
    virtual ~StandardPaths() = default;

    virtual QString applicationSupport() const = 0;
    virtual QString desktop() const = 0;
    virtual QString home() const = 0;
    virtual QString temporary() const = 0;
};
