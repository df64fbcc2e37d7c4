#include "files/SiteFiles.h"

#include "CliRunner.h"
#include "engine/AssetFormat.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << qPrintable(path);
    file.write("x");
}

} // namespace

// What a whole-site run enciphers: every file below the root but the pages,
// the public names, excluded and kept files, backups, temporaries and
// version-control folders; nothing outside the root, no link followed.
TEST(SiteFiles, assetsLeaveOutPagesPublicFilesAndEverythingOutsideTheRoot)
{
    QTemporaryDir tmp;
    const QString site = tmp.path() + QStringLiteral("/site");
    const QStringList files = {
        QStringLiteral("index.html"),
        QStringLiteral("guide/a.html"),
        QStringLiteral("img/logo.png"),
        QStringLiteral("searchindex.js"),
        QStringLiteral("robots.txt"),
        QStringLiteral(".well-known/security.txt"),
        QStringLiteral("CNAME"),
        QStringLiteral("favicon.ico"),
        QStringLiteral("wendlock-sw.js"),
        QStringLiteral("login.css"),
        QStringLiteral("index.html.original"),
        QStringLiteral(".wendlock-tmp.x.1.y"),
        QStringLiteral(".git/config"),
        QStringLiteral("drafts/notes.txt"),
        QStringLiteral("design/big.psd"),
        QStringLiteral("deep/er/photo.psd"),
        QStringLiteral("site.vxp"),
    };
    for (const QString& f : files) {
        Touch(site + QLatin1Char('/') + f);
    }
    Touch(tmp.path() + QStringLiteral("/outside/secret.txt"));
    ASSERT_TRUE(QFile::link(tmp.path() + QStringLiteral("/outside"), site + QStringLiteral("/linked")));
    ASSERT_TRUE(
        QFile::link(tmp.path() + QStringLiteral("/outside/secret.txt"), site + QStringLiteral("/s.txt")));

    const QStringList pages = {site + QStringLiteral("/index.html"), site + QStringLiteral("/guide/a.html")};
    EXPECT_EQ(CSiteFiles::DefaultRoot(pages), site + QLatin1Char('/'));
    EXPECT_EQ(CSiteFiles::DefaultRoot({site + QStringLiteral("/guide/a.html")}),
              site + QStringLiteral("/guide/"));

    CSiteFiles siteFiles(site);
    siteFiles.SetPages(pages);
    siteFiles.SetExcludePatterns(CSiteFiles::SplitPatterns(QStringLiteral("drafts/ *.psd")));
    siteFiles.AddKeptFile(site + QStringLiteral("/login.css"));
    siteFiles.AddKeptFile(site + QStringLiteral("/site.vxp"));
    QStringList relative;
    for (const QString& asset : siteFiles.Assets()) {
        relative.append(siteFiles.Relative(asset));
    }
    EXPECT_EQ(relative, QStringList({QStringLiteral("img/logo.png"), QStringLiteral("searchindex.js")}));

    // Patterns: "/" anchors at the root, "**" crosses folders.
    CSiteFiles anchored(site);
    anchored.SetPages(pages);
    anchored.SetExcludePatterns({QStringLiteral("/deep/**/*.psd"), QStringLiteral("img/*.png")});
    relative.clear();
    for (const QString& asset : anchored.Assets()) {
        relative.append(anchored.Relative(asset));
    }
    EXPECT_TRUE(relative.contains(QStringLiteral("design/big.psd")));
    EXPECT_FALSE(relative.contains(QStringLiteral("deep/er/photo.psd")));
    EXPECT_FALSE(relative.contains(QStringLiteral("img/logo.png")));
    EXPECT_FALSE(relative.contains(QStringLiteral("s.txt")));
    EXPECT_FALSE(anchored.Contains(tmp.path() + QStringLiteral("/outside/secret.txt")));
}

// A template's own files stay public; generators' files with page text in
// them are named when the rest of the site stays readable.
TEST(SiteFiles, templateReferencesAndClearTextCarriers)
{
    const QByteArray templateText =
        "<html><head><link rel=\"stylesheet\" "
        "href=\"login.css?v=2\"><style>body{background:url('img/bg.png')}"
        "</style></head><body><img src=logo.svg srcset=\"a.png 1x, b.png 2x\">"
        "<a href=\"https://example.org/x\">x</a><a href=\"#top\">t</a><img src=\"data:image/png;base64,AA\">"
        "</body></html>";
    EXPECT_EQ(CSiteFiles::TemplateReferences(templateText),
              QStringList({QStringLiteral("login.css"), QStringLiteral("logo.svg"), QStringLiteral("a.png"),
                           QStringLiteral("b.png"), QStringLiteral("img/bg.png")}));

    QTemporaryDir tmp;
    for (const char* f : {"searchindex.js", "search/search_index.json", "_sources/intro.rst.txt",
                          "api/all.json.gz", "changelog.html.gz", "sitemap.xml", "static/search-index-1.js",
                          "img/a.png", "app.js", "search.index/abc"}) {
        Touch(tmp.path() + QLatin1Char('/') + QString::fromLatin1(f));
    }
    EXPECT_EQ(CSiteFiles(tmp.path()).ClearTextCarriers(),
              QStringList({QStringLiteral("_sources/intro.rst.txt"), QStringLiteral("api/all.json.gz"),
                           QStringLiteral("changelog.html.gz"), QStringLiteral("search.index/abc"),
                           QStringLiteral("search/search_index.json"), QStringLiteral("searchindex.js"),
                           QStringLiteral("sitemap.xml"), QStringLiteral("static/search-index-1.js")}));
}

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A run with the whole site on: the site's other files are enciphered with
// backups, public files, files outside the root and the project stay as
// they were, a second run leaves them alone, unlock gives each file back,
// restore puts every original back; classic projects refuse the option and
// a run without it names the files that give page text away.
TEST(SiteFiles, wholeSiteRunEnciphersUnlocksAndRestores)
{
    QTemporaryDir tmp;
    const QString site = tmp.path() + QStringLiteral("/site");
    const QByteArray css = "h1 { color: red }\n";
    const QByteArray index = QByteArray("{\"pages\":[\"Quokka\"]}\n").repeated(100);
    QByteArray image(200000, Qt::Uninitialized);
    for (qsizetype i = 0; i < image.size(); ++i) {
        image[i] = char((i * 7919) >> 3);
    }
    const auto write = [](const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(site + QStringLiteral("/index.html"),
          "<html><head><title>H</title></head><body>Home</body></html>\n");
    write(site + QStringLiteral("/css/site.css"), css);
    write(site + QStringLiteral("/searchindex.json"), index);
    write(site + QStringLiteral("/img/big.jpg"), image);
    write(site + QStringLiteral("/robots.txt"), "User-agent: *\n");
    write(tmp.path() + QStringLiteral("/elsewhere.css"), css);

    const QString password = QStringLiteral("whole site");
    const QStringList base = {QStringLiteral("protect"),
                              QStringLiteral("--password"),
                              password,
                              QStringLiteral("--set"),
                              QStringLiteral("kdfIterations=100000"),
                              site + QStringLiteral("/index.html")};
    // Off: the search index is named as readable.
    TestUtil::CliRun run = TestUtil::RunCli(base);
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    EXPECT_TRUE(run.err.contains(QStringLiteral("searchindex.json"))) << qPrintable(run.err);
    EXPECT_EQ(ReadAll(site + QStringLiteral("/css/site.css")), css);
    const QString salt = run.err.section(QStringLiteral("--set salt="), 1).section(QLatin1Char(' '), 0, 0);
    ASSERT_EQ(salt.size(), 32) << qPrintable(run.err);

    // Classic projects refuse it.
    run = TestUtil::RunCli(base + QStringList{QStringLiteral("--set"), QStringLiteral("cipher=0"),
                                              QStringLiteral("--set"), QStringLiteral("protectAssets=1")});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("strong page format"))) << qPrintable(run.err);

    const QStringList on = base + QStringList{QStringLiteral("--restore-first"), QStringLiteral("--set"),
                                              QStringLiteral("protectAssets=1"), QStringLiteral("--set"),
                                              QStringLiteral("salt=") + salt};
    run = TestUtil::RunCli(on);
    ASSERT_EQ(run.code, 0) << qPrintable(run.out + run.err);
    EXPECT_TRUE(run.out.contains(QStringLiteral("3 other file(s) of the site have been enciphered")))
        << qPrintable(run.out);
    for (const char* name : {"/css/site.css", "/searchindex.json", "/img/big.jpg"}) {
        const QByteArray now = ReadAll(site + QLatin1String(name));
        EXPECT_TRUE(now.startsWith(AssetFormat::Magic())) << name;
        EXPECT_FALSE(now.contains("Quokka")) << name;
        EXPECT_FALSE(ReadAll(site + QLatin1String(name) + QStringLiteral(".original")).isEmpty()) << name;
    }
    EXPECT_EQ(ReadAll(site + QStringLiteral("/robots.txt")), QByteArray("User-agent: *\n"));
    EXPECT_EQ(ReadAll(tmp.path() + QStringLiteral("/elsewhere.css")), css);
    EXPECT_TRUE(ReadAll(site + QStringLiteral("/wendlock-sw.js")).startsWith("var SITE_SALT = \""));
    EXPECT_TRUE(
        ReadAll(site + QStringLiteral("/index.html")).contains("var WendlockSiteWorker=\"wendlock-sw.js\";"));

    // Again: nothing is enciphered twice.
    const QByteArray sealedImage = ReadAll(site + QStringLiteral("/img/big.jpg"));
    run = TestUtil::RunCli(on);
    ASSERT_EQ(run.code, 0) << qPrintable(run.out + run.err);
    EXPECT_TRUE(
        run.out.contains(QStringLiteral("0 other file(s) of the site have been enciphered (3 before")))
        << qPrintable(run.out);
    EXPECT_EQ(ReadAll(site + QStringLiteral("/img/big.jpg")), sealedImage);

    // unlock gives each file back; a wrong password is refused.
    for (const auto& [name, bytes] :
         {std::pair{"/img/big.jpg", image}, std::pair{"/searchindex.json", index}}) {
        const QString out = tmp.path() + QStringLiteral("/out");
        run = TestUtil::RunCli({QStringLiteral("unlock"), site + QLatin1String(name),
                                QStringLiteral("--password"), password, QStringLiteral("-o"), out});
        ASSERT_EQ(run.code, 0) << qPrintable(run.err);
        EXPECT_EQ(ReadAll(out), bytes) << name;
    }
    run = TestUtil::RunCli({QStringLiteral("unlock"), site + QStringLiteral("/css/site.css"),
                            QStringLiteral("--password"), QStringLiteral("wrong"), QStringLiteral("-o"),
                            tmp.path() + QStringLiteral("/bad")});
    EXPECT_EQ(run.code, 1);

    // restore of the project puts the originals back.
    CProject project;
    project.m_listFiles = {site + QStringLiteral("/index.html")};
    project.m_bProtectAssets = true;
    const QString vxp = tmp.path() + QStringLiteral("/p.vxp");
    QString error;
    ASSERT_TRUE(CWendlockDoc::WriteProjectFile(vxp, project, &error)) << qPrintable(error);
    run = TestUtil::RunCli({QStringLiteral("restore"), vxp});
    ASSERT_EQ(run.code, 0) << qPrintable(run.out + run.err);
    EXPECT_EQ(ReadAll(site + QStringLiteral("/css/site.css")), css);
    EXPECT_EQ(ReadAll(site + QStringLiteral("/img/big.jpg")), image);
    EXPECT_FALSE(QFile::exists(site + QStringLiteral("/img/big.jpg.original")));
}
