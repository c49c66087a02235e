#include "Foundation/AtomicFile.h"
#include "Foundation/Sha256.h"
#include "Platform/Desktop/BundleInfoDesktop.h"
#include "Platform/Desktop/BundleReplacementDesktop.h"
#include "Platform/Desktop/CodeSigningDesktop.h"
#include "Platform/Desktop/DiskImagesDesktop.h"
#include "Platform/Desktop/TarArchive.h"

#include "TestSupport/ReleaseBuilder.h"
#include "TestSupport/TemporaryHome.h"
#include "TestSupport/WithoutPermissionOverride.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ReleaseBuilder::archive;
using ReleaseBuilder::entry;

std::optional<QStringList> extract(const QByteArray& tar, const QString& folder)
{
    QDir().mkpath(folder);
    qsizetype offset = 0;
    return TarArchive::extract(
        [&](char* buffer, qint64 size) -> qint64 {
            const qint64 n = std::min<qint64>(size, tar.size() - offset);
            std::memcpy(buffer, tar.constData() + offset, static_cast<std::size_t>(n));
            offset += n;
            return n;
        },
        folder);
}

TEST(UpdateServicesDesktopTest, ArchiveUnpacksInsideItsFolderOrNotAtAll)
{
    TemporaryHome home;
    const QString out = home.path() + QStringLiteral("/out");
    const auto good
        = extract(archive({ entry("Drimo Copy.app/", '5'), entry("Drimo Copy.app/bin/drimo", '0', "exe"),
                      entry("Drimo Copy.app/lib", '2', {}, "bin"), entry("README", '0', "hi") }),
            out);
    ASSERT_TRUE(good);
    EXPECT_EQ(*good, QStringList({ QStringLiteral("Drimo Copy.app"), QStringLiteral("README") }));
    EXPECT_EQ(TemporaryHome::readFile(out + QStringLiteral("/Drimo Copy.app/bin/drimo")), "exe");

    const struct {
        const char* why;
        QByteArray tar;
    } refused[] = {
        { "absolute path", archive({ entry("/tmp/evil", '0', "x") }) },
        { "climbing path", archive({ entry("a/../../evil", '0', "x") }) },
        { "link out", archive({ entry("a/link", '2', {}, "../../etc") }) },
        { "absolute link", archive({ entry("link", '2', {}, "/etc") }) },
        { "write through a link", archive({ entry("link", '2', {}, "."), entry("link/x", '0', "x") }) },
        { "hard link", archive({ entry("h", '1', {}, "README") }) },
        { "device", archive({ entry("dev", '3') }) },
        { "fifo", archive({ entry("fifo", '6') }) },
        { "truncated", archive({ entry("f", '0', QByteArray(2000, 'a')) }).left(1024) },
        { "bad checksum",
            [] {
                auto t = archive({ entry("f", '0', "x") });
                t[0] = 'g';
                return t;
            }() },
        { "duplicate file", archive({ entry("f", '0', "x"), entry("f", '0', "y") }) },
        { "beyond the size bound",
            [] {
                // A header announcing 8 GiB: more than a release may unpack to.
                auto header = entry("big", '0');
                std::memcpy(header.data() + 124, "77777777777", 11);
                std::memset(header.data() + 148, ' ', 8);
                unsigned sum = 0;
                for (const char c : header.left(512))
                    sum += static_cast<unsigned char>(c);
                std::memcpy(
                    header.data() + 148, QByteArray::number(sum, 8).rightJustified(6, '0').constData(), 6);
                header[154] = '\0';
                return archive({ header });
            }() },
    };
    for (const auto& r : refused) {
        const QString folder = home.path() + QStringLiteral("/r-") + QString::fromLatin1(r.why);
        EXPECT_FALSE(extract(r.tar, folder)) << r.why;
        EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/evil"))) << r.why;
    }

    QByteArrayList many;
    for (int i = 0; i <= TarArchive::maximumEntries; ++i)
        many.append(entry("d/" + QByteArray::number(i), '5'));
    EXPECT_FALSE(extract(archive(many), home.path() + QStringLiteral("/many")));
}

using ReleaseBuilder::Key;
using ReleaseBuilder::makeBundle;

TEST(UpdateServicesDesktopTest, SameSignerNeedsOurKeyAndExactlyTheSignedFiles)
{
    TemporaryHome home;
    Key ours;
    Key theirs;
    CodeSigningDesktop signing(ours.publicKey());
    EXPECT_FALSE(signing.isAdHocSigned());
    EXPECT_TRUE(CodeSigningDesktop(QByteArray()).isAdHocSigned());

    const QString bundle = home.path() + QStringLiteral("/good");
    makeBundle(bundle, ours, "2.0");
    EXPECT_TRUE(signing.isSameSigner(bundle));
    EXPECT_FALSE(CodeSigningDesktop(QByteArray()).isSameSigner(bundle));

    const QString other = home.path() + QStringLiteral("/other");
    makeBundle(other, theirs, "2.0");
    EXPECT_FALSE(signing.isSameSigner(other));

    const QString tampered = home.path() + QStringLiteral("/tampered");
    makeBundle(tampered, ours, "2.0");
    AtomicFile::write(tampered + QStringLiteral("/bin/drimo-copy"), "evil");
    EXPECT_FALSE(signing.isSameSigner(tampered));

    const QString missing = home.path() + QStringLiteral("/missing");
    makeBundle(missing, ours, "2.0");
    QFile::remove(missing + QStringLiteral("/bin/drimo-copy"));
    EXPECT_FALSE(signing.isSameSigner(missing));

    const QString extra = home.path() + QStringLiteral("/extra");
    makeBundle(extra, ours, "2.0");
    AtomicFile::write(extra + QStringLiteral("/bin/plugin.so"), "more");
    EXPECT_FALSE(signing.isSameSigner(extra));
}

TEST(UpdateServicesDesktopTest, SwapExchangesInstallFolderOrLeavesItWhole)
{
    TemporaryHome home;
    Key key;
    const QString parent = home.path() + QStringLiteral("/opt");
    const QString installed = parent + QStringLiteral("/drimo-copy");
    makeBundle(installed, key, "1.0");
    const QString staged = home.path() + QStringLiteral("/staged");
    makeBundle(staged, key, "2.0");

    BundleReplacementDesktop replacement;
    ::chmod(QFile::encodeName(parent).constData(), 0500);
    std::optional<QString> denied;
    {
        const WithoutPermissionOverride asUser;
        denied = replacement.replace(installed + QStringLiteral("/bin/drimo-copy"), staged);
    }
    ::chmod(QFile::encodeName(parent).constData(), 0700);
    ASSERT_TRUE(denied);
    EXPECT_EQ(*denied, QString::fromLocal8Bit(std::strerror(EACCES)));
    EXPECT_EQ(TemporaryHome::readFile(installed + QStringLiteral("/bin/drimo-copy")), "program 1.0");
    EXPECT_FALSE(replacement.replace(installed + QStringLiteral("/bin/drimo-copy"), staged));
    EXPECT_EQ(TemporaryHome::readFile(installed + QStringLiteral("/bin/drimo-copy")), "program 2.0");
    EXPECT_EQ(QDir(parent).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        QStringList { QStringLiteral("drimo-copy") });
    EXPECT_TRUE(replacement.replace(home.path() + QStringLiteral("/nowhere/bin/x"), staged));
}

} // namespace

namespace {

// What the release tool packs is what the program accepts: its manifest, signature and archive.
TEST(UpdateServicesDesktopTest, ReleaseToolOutputUnpacksAndVerifies)
{
    TemporaryHome home;
    const QString tool = QStringLiteral(DRIMO_RELEASE_TOOL);
    const QString key = home.path() + QStringLiteral("/release-key.pem");
    QProcess keygen;
    keygen.start(QStringLiteral("python3"), { tool, QStringLiteral("keygen"), key });
    if (!keygen.waitForStarted(10'000))
        GTEST_SKIP() << "no python3";
    ASSERT_TRUE(keygen.waitForFinished(30'000));
    ASSERT_EQ(keygen.exitCode(), 0) << keygen.readAllStandardError().toStdString();
    const QByteArray publicKey = QByteArray::fromHex(keygen.readAllStandardOutput().trimmed());
    ASSERT_EQ(publicKey.size(), 32);

    const QString folder = home.path() + QStringLiteral("/Drimo Copy.app");
    QDir().mkpath(folder + QStringLiteral("/bin"));
    QDir().mkpath(folder + QStringLiteral("/share/a long folder name/") + QString(60, u'n'));
    AtomicFile::write(folder + QStringLiteral("/bin/drimo-copy"), "program");
    QFile(folder + QStringLiteral("/bin/drimo-copy"))
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    AtomicFile::write(folder + QStringLiteral("/share/a long folder name/") + QString(60, u'n')
            + QStringLiteral("/") + QString(90, u'f'),
        "data");
    QProcess pack;
    pack.start(QStringLiteral("python3"),
        { tool, QStringLiteral("pack"), key, folder, QStringLiteral("2.0.1"),
            home.path() + QStringLiteral("/site") });
    ASSERT_TRUE(pack.waitForFinished(60'000));
    ASSERT_EQ(pack.exitCode(), 0) << pack.readAllStandardError().toStdString();

    const QString archive
        = home.path() + QStringLiteral("/site/downloads/Drimo-Copy-2.0.1") + DiskImagesDesktop().nameSuffix();
    const QString mount = home.path() + QStringLiteral("/mount");
    QDir().mkpath(mount);
    const auto entries = TarArchive::extractFile(archive, mount);
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, QStringList { QStringLiteral("Drimo Copy.app") });
    const QString unpacked = mount + QStringLiteral("/Drimo Copy.app");
    EXPECT_TRUE(QFileInfo(unpacked + QStringLiteral("/bin/drimo-copy")).isExecutable());
    EXPECT_TRUE(CodeSigningDesktop(publicKey).isSameSigner(unpacked));
    const auto identity = BundleInfoDesktop().identityAt(unpacked);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->identifier, QStringLiteral("com.drimo.copy"));
    EXPECT_EQ(identity->version, QStringLiteral("2.0.1"));
    const auto feed = TemporaryHome::readFile(home.path() + QStringLiteral("/site/release.json"));
    EXPECT_TRUE(feed.contains(Sha256::hexDigest(TemporaryHome::readFile(archive)))) << feed.toStdString();
}

} // namespace
