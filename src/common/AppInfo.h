#pragma once

#include <QString>

// Program-wide names and the version written into every project file.
namespace AppInfo {
// The version comes from the build (the project's version in CMake).
inline QString ProgramVersion()
{
    return QStringLiteral(WENDLOCK_VERSION);
}
inline QString DisplayName()
{
    return QStringLiteral("Wendlock");
}
inline QString CompanyName()
{
    return QStringLiteral("Marrowind");
}
} // namespace AppInfo
