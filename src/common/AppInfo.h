#pragma once

#include <QString>

// Program-wide names and the version written into every project file.
namespace AppInfo {
inline QString ProgramVersion() { return QStringLiteral("2.4"); }
inline QString DisplayName() { return QStringLiteral("Wendlock"); }
inline QString CompanyName() { return QStringLiteral("Marrowind"); }
} // namespace AppInfo
