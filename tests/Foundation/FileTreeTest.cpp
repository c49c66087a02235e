#include "Foundation/FileTree.h"

#include "TestSupport/TemporaryHome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void link(const QString& target, const QString& path)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()), 0);
}

} // namespace

TEST(FileTree, RemovesFoldersWholeAndLinksThemselvesNeverWhatTheyPointTo)
{
    TemporaryHome home;
    const QString outside = home.file(QStringLiteral("outside"));
    QDir().mkpath(outside + QStringLiteral("/inner"));
    ASSERT_TRUE(TemporaryHome::writeFile(outside + QStringLiteral("/precious"), "keep"));
    ASSERT_TRUE(TemporaryHome::writeFile(outside + QStringLiteral("/inner/also"), "keep"));

    // A folder holding files, a nested folder, and links to the outside folder and to a file in it.
    const QString tree = home.file(QStringLiteral("tree"));
    QDir().mkpath(tree + QStringLiteral("/a/b/c"));
    ASSERT_TRUE(TemporaryHome::writeFile(tree + QStringLiteral("/0-0"), "data"));
    ASSERT_TRUE(TemporaryHome::writeFile(tree + QStringLiteral("/a/b/c/deep"), "data"));
    link(outside, tree + QStringLiteral("/a/folder link"));
    link(outside + QStringLiteral("/precious"), tree + QStringLiteral("/file link"));
    EXPECT_TRUE(FileTree::remove(tree));
    EXPECT_FALSE(QFileInfo::exists(tree));

    // The folder itself replaced by a link.
    const QString replaced = home.file(QStringLiteral("replaced"));
    link(outside, replaced);
    EXPECT_TRUE(FileTree::remove(replaced));
    EXPECT_FALSE(QFileInfo(replaced).isSymLink());

    EXPECT_EQ(TemporaryHome::readFile(outside + QStringLiteral("/precious")), "keep");
    EXPECT_EQ(TemporaryHome::readFile(outside + QStringLiteral("/inner/also")), "keep");

    EXPECT_TRUE(FileTree::remove(home.file(QStringLiteral("never there"))));
    const QString file = home.file(QStringLiteral("file"));
    ASSERT_TRUE(TemporaryHome::writeFile(file, "x"));
    EXPECT_TRUE(FileTree::remove(file));
    EXPECT_FALSE(QFileInfo::exists(file));
}
