#pragma once

#include <QIcon>

// The program's own pictures, drawn in code so that they look the same on
// every desktop and need no icon theme. Where the desktop's theme has an
// icon of the same meaning, the theme's is preferred.
namespace AppIcons {

QIcon Application();
QIcon NewProject();
QIcon OpenProject();
QIcon SaveProject();
QIcon Protect();
QIcon Help();
QIcon Test();
QIcon Edit();

} // namespace AppIcons
