#include "templates/TemplateStore.h"

#include "core/TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A fresh folder per test, with WENDLOCK_APP_DIR pointing at it so the
// shipped template folders are the test's own.
class TemplateStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_appDir = std::make_unique<TestUtil::ScopedEnv>("WENDLOCK_APP_DIR", QFile::encodeName(m_dir.path()));
    }
    void TearDown() override { m_appDir.reset(); }

    QString Path(const QString& relative) const { return m_dir.path() + QLatin1Char('/') + relative; }
    QString MakeFolder(const QString& relative) const
    {
        QDir().mkpath(Path(relative));
        return Path(relative) + QLatin1Char('/');
    }
    static QStringList Names(const QList<CTemplateStore::Entry>& entries)
    {
        QStringList names;
        for (const CTemplateStore::Entry& entry : entries) {
            names.append(entry.name);
        }
        return names;
    }
    static QStringList Paths(const QList<CTemplateStore::Entry>& entries)
    {
        QStringList paths;
        for (const CTemplateStore::Entry& entry : entries) {
            paths.append(entry.path);
        }
        return paths;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TestUtil::ScopedEnv> m_appDir;
};

TEST_F(TemplateStore, listsWebFilesOnly_twoExtensionsGiveTwoRowsOfOneName)
{
    const QString folder = MakeFolder(QStringLiteral("t"));
    ASSERT_TRUE(TestUtil::WriteFile(folder + QLatin1String("Blue.htm"), "<html>"));
    ASSERT_TRUE(TestUtil::WriteFile(folder + QLatin1String("Blue.html"), "<html>"));
    ASSERT_TRUE(TestUtil::WriteFile(folder + QLatin1String("notes.txt"), "text"));
    ASSERT_TRUE(TestUtil::WriteFile(folder + QLatin1String("my.page.PHP"), "<?php"));
    // Folders are never templates, whatever their name, and are not searched.
    MakeFolder(QStringLiteral("t/Folder.htm"));
    ASSERT_TRUE(TestUtil::WriteFile(Path(QStringLiteral("t/Folder.htm/Inner.htm")), "<html>"));

    const QList<CTemplateStore::Entry> entries = CTemplateStore::ListFolder(Path(QStringLiteral("t")));
    QStringList names = Names(entries);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("Blue"), QStringLiteral("Blue"), QStringLiteral("my.page")}));
    QStringList paths = Paths(entries);
    paths.sort();
    EXPECT_EQ(paths, (QStringList{folder + QLatin1String("Blue.htm"), folder + QLatin1String("Blue.html"),
                                  folder + QLatin1String("my.page.PHP")}));
}

TEST_F(TemplateStore, missingFolderOrUnknownModeListsNothing)
{
    EXPECT_TRUE(CTemplateStore::ListFolder(Path(QStringLiteral("nowhere"))).isEmpty());
    EXPECT_TRUE(CTemplateStore::List(0).isEmpty());
    EXPECT_TRUE(CTemplateStore::List(1, Path(QStringLiteral("data"))).isEmpty());

    ASSERT_TRUE(TestUtil::WriteFile(
        MakeFolder(QStringLiteral("Templates/SinglePassword")) + QLatin1String("A.htm"), "<html>"));
    EXPECT_EQ(CTemplateStore::List(0).size(), 1);
    EXPECT_TRUE(CTemplateStore::List(2).isEmpty());
    EXPECT_TRUE(CTemplateStore::List(-1).isEmpty());
    EXPECT_TRUE(CTemplateStore::ShippedFolder(2).isEmpty());
}

TEST_F(TemplateStore, eachModeListsItsOwnFolder_userTemplatesFollowShippedOnes)
{
    const QString single = MakeFolder(QStringLiteral("Templates/SinglePassword"));
    const QString multi = MakeFolder(QStringLiteral("Templates/MultiUsers"));
    ASSERT_TRUE(TestUtil::WriteFile(single + QLatin1String("One.htm"), "<html>"));
    ASSERT_TRUE(TestUtil::WriteFile(multi + QLatin1String("Many.htm"), "<html>"));
    const QString data = Path(QStringLiteral("data"));
    const QString own = MakeFolder(QStringLiteral("data/Templates/SinglePassword"));
    ASSERT_TRUE(TestUtil::WriteFile(own + QLatin1String("Mine.html"), "<html>"));

    EXPECT_EQ(CTemplateStore::ShippedFolder(0), single);
    EXPECT_EQ(CTemplateStore::UserFolder(0, data), own);
    EXPECT_EQ(CTemplateStore::UserFolder(0, data + QLatin1Char('/')), own);
    EXPECT_TRUE(CTemplateStore::UserFolder(0, QString()).isEmpty());

    EXPECT_EQ(Paths(CTemplateStore::List(0)), QStringList{single + QLatin1String("One.htm")});
    EXPECT_EQ(Paths(CTemplateStore::List(0, data)),
              (QStringList{single + QLatin1String("One.htm"), own + QLatin1String("Mine.html")}));
    EXPECT_EQ(Paths(CTemplateStore::List(1, data)), QStringList{multi + QLatin1String("Many.htm")});
    // A data folder that is the application folder does not list twice.
    EXPECT_EQ(CTemplateStore::List(0, m_dir.path()).size(), 1);
}

TEST_F(TemplateStore, newNameChecks)
{
    const QStringList listed{QStringLiteral("Classic"), QStringLiteral("Dark")};
    EXPECT_EQ(CTemplateStore::CheckNewName(QString(), listed),
              QStringLiteral("Template name can't be empty!"));
    const QString badCharacter = QStringLiteral("Template name can't include \\/:*?\"<>|");
    for (const char* name : {"a/b", "a\\b", "c:", "*", "why?", "\"q\"", "<", ">", "a|b"}) {
        EXPECT_EQ(CTemplateStore::CheckNewName(QLatin1String(name), listed), badCharacter) << name;
    }
    EXPECT_EQ(
        CTemplateStore::CheckNewName(QStringLiteral("Dark"), listed),
        QStringLiteral("The template name 'Dark' already existed! Please input another name to continue."));
    // Case and blanks make a different name.
    EXPECT_TRUE(CTemplateStore::CheckNewName(QStringLiteral("dark"), listed).isEmpty());
    EXPECT_TRUE(CTemplateStore::CheckNewName(QStringLiteral("  Dark  "), listed).isEmpty());
    EXPECT_TRUE(CTemplateStore::CheckNewName(QStringLiteral("Blue sky"), {}).isEmpty());
}

TEST_F(TemplateStore, copyNeverReplacesAndReportsWhy)
{
    const QString folder = MakeFolder(QStringLiteral("t"));
    const QString source = folder + QLatin1String("Classic.htm");
    const QString target = folder + QLatin1String("New.html");
    ASSERT_TRUE(TestUtil::WriteFile(source, "<html><body>classic</body></html>"));

    QString message = QStringLiteral("stale");
    ASSERT_TRUE(CTemplateStore::CopyTemplate(source, target, &message));
    EXPECT_TRUE(message.isEmpty());
    EXPECT_EQ(TestUtil::ReadFile(target), QByteArray("<html><body>classic</body></html>"));

    ASSERT_TRUE(TestUtil::WriteFile(target, "edited"));
    EXPECT_FALSE(CTemplateStore::CopyTemplate(source, target, &message));
    EXPECT_EQ(message, QStringLiteral("Copy file '%1' to '%2' failure! \nFile exists").arg(source, target));
    EXPECT_EQ(TestUtil::ReadFile(target), QByteArray("edited"));

    // An empty list offers no source: the copy fails and leaves nothing.
    const QString other = folder + QLatin1String("Other.html");
    EXPECT_FALSE(CTemplateStore::CopyTemplate(QString(), other, &message));
    EXPECT_EQ(message,
              QStringLiteral("Copy file '' to '%1' failure! \nNo such file or directory").arg(other));
    EXPECT_FALSE(QFileInfo::exists(other));

    EXPECT_FALSE(CTemplateStore::CopyTemplate(folder, other, &message));
    EXPECT_TRUE(message.endsWith(QLatin1String("\nIs a directory")));
    EXPECT_FALSE(QFileInfo::exists(other));
}

TEST_F(TemplateStore, deleteRemovesTheFileOrReportsWhy)
{
    const QString path = MakeFolder(QStringLiteral("t")) + QLatin1String("Old.htm");
    ASSERT_TRUE(TestUtil::WriteFile(path, "<html>"));
    QString message;
    EXPECT_TRUE(CTemplateStore::DeleteTemplate(path, &message));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_FALSE(CTemplateStore::DeleteTemplate(path, &message));
    EXPECT_EQ(message, QStringLiteral("Delete file '%1' failure! \nNo such file or directory").arg(path));
}

TEST_F(TemplateStore, createGoesToTheShippedFolderWhileItIsWritable)
{
    const QString shipped = MakeFolder(QStringLiteral("Templates/MultiUsers"));
    const QString data = Path(QStringLiteral("data"));
    EXPECT_EQ(CTemplateStore::PrepareCreateFolder(1, data), shipped);
    EXPECT_FALSE(QFileInfo::exists(data));
    EXPECT_TRUE(CTemplateStore::PrepareCreateFolder(3, data).isEmpty());
}

TEST_F(TemplateStore, createGoesToTheUsersFolderWhereTheShippedOneIsMissing)
{
    const QString data = Path(QStringLiteral("data"));
    // A missing shipped folder cannot take a new file either.
    const QString own = CTemplateStore::PrepareCreateFolder(0, data);
    EXPECT_EQ(own, CTemplateStore::UserFolder(0, data));
    EXPECT_TRUE(QFileInfo(own).isDir());
    // Without a data folder there is nowhere else: the copy will say why.
    EXPECT_EQ(CTemplateStore::PrepareCreateFolder(0, QString()), CTemplateStore::ShippedFolder(0));
}

TEST_F(TemplateStore, createGoesToTheUsersFolderWhereTheShippedOneIsReadOnly)
{
    const QString shipped = MakeFolder(QStringLiteral("Templates/SinglePassword"));
    ASSERT_TRUE(QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const bool readOnly = !QFileInfo(shipped).isWritable();
    const QString data = Path(QStringLiteral("data"));
    const QString chosen = CTemplateStore::PrepareCreateFolder(0, data);
    QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!readOnly) {
        GTEST_SKIP() << "permission bits do not bind this user (root)";
    }
    EXPECT_EQ(chosen, CTemplateStore::UserFolder(0, data));
}

} // namespace
