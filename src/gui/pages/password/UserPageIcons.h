#pragma once

#include <QIcon>

// The icons of the Password page's and the user dialog's buttons, drawn in
// code so they look the same with or without an icon theme.
namespace UserPageIcons {

QIcon RandomPassword();
QIcon Mail();
QIcon AddUser();
QIcon EditUser();
QIcon Delete();
QIcon DeleteAll();
QIcon Import();
QIcon Export();

} // namespace UserPageIcons
