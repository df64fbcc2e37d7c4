#pragma once

#include <QString>

// The folders that ship beside the program: Script/ and Templates/ with a
// sub-folder per password mode, and help/. They are found next to the
// executable, in the build tree and in an install alike;
// WENDLOCK_APP_DIR overrides the place (tests run from other folders).
namespace AppFolders {

// The application folder, with a trailing "/".
QString ApplicationFolder();
// "SinglePassword" for mode 0, "MultiUsers" for mode 1.
QString ModeFolderName(int passwordMode);
// Script/<mode>/ and Templates/<mode>/, each with a trailing "/".
QString ScriptFolder(int passwordMode);
QString TemplateFolder(int passwordMode);
// The login script a protected page of that mode carries.
QString ScriptFile(int passwordMode);
// The login script of strong-format pages (both password modes).
QString StrongScriptFile();
// The service worker a run that enciphers a site's other files writes at
// the site root.
QString SiteWorkerFile();

} // namespace AppFolders
