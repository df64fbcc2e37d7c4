#include "gui/mainwindow/AppTranslations.h"

#include "common/AppFolders.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace AppTranslations {

namespace {

bool InstallOne(const QLocale& locale, const QString& name, const QString& folder)
{
    auto translator = std::make_unique<QTranslator>();
    // QTranslator tries de_DE, then de, for a German locale.
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator.get())) {
        return false;
    }
    translator.release()->setParent(QCoreApplication::instance());
    return true;
}

} // namespace

QString ProgramFolder()
{
    return AppFolders::ApplicationFolder() + QStringLiteral("translations");
}

QString QtFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

Loaded Install(const QLocale& locale)
{
    Loaded loaded;
    // English is the source language: nothing to load for it.
    if (locale.language() == QLocale::English || locale.language() == QLocale::C) {
        return loaded;
    }
    loaded.program = InstallOne(locale, QStringLiteral("wendlock"), ProgramFolder());
    loaded.qt = InstallOne(locale, QStringLiteral("qtbase"), QtFolder());
    return loaded;
}

} // namespace AppTranslations
