#include "files/SiteFiles.h"

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
