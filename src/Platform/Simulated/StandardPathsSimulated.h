#pragma once

#include "Platform/StandardPaths.h"

// The usual folders of a user whose home is a given folder (a test's temporary folder).
class StandardPathsSimulated final : public StandardPaths {
public:
    explicit StandardPathsSimulated(QString home);

    QString applicationSupport() const override { return m_home + QStringLiteral("/Library/Application Support"); }
    QString desktop() const override { return m_home + QStringLiteral("/Desktop"); }
    QString home() const override { return m_home; }
    QString temporary() const override { return m_home + QStringLiteral("/tmp"); }

private:
    QString m_home;
};
