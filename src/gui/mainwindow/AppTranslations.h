#pragma once

#include <QLocale>
#include <QString>

// Loads the program's own translation and Qt's (standard buttons, file
// dialogs) for a locale and installs them in the running application. The
// translators are children of the application, so they live as long as it.
namespace AppTranslations {

// What Install() found; a missing file leaves those texts in English.
struct Loaded
{
    bool program = false;
    bool qt = false;
};

// The folder of the program's compiled translations (wendlock_<lang>.qm).
QString ProgramFolder();
// Qt's translations folder (qtbase_<lang>.qm).
QString QtFolder();
// Call after the application object exists and before any window is made.
Loaded Install(const QLocale& locale);

} // namespace AppTranslations
