#pragma once

#include <QString>

// The maker's addresses: the product web site, the support page and
// mailbox, and the two files of the new-version check.
namespace ProductLinks {

inline QString WebSite()
{
    return QStringLiteral("https://www.marrowind.example/wendlock/");
}
inline QString SupportPage()
{
    return QStringLiteral("https://www.marrowind.example/wendlock/support.html");
}
inline QString SupportEmail()
{
    return QStringLiteral("support@marrowind.example");
}
inline QString DownloadPage()
{
    return QStringLiteral("https://www.marrowind.example/wendlock/download.html");
}
// WENDLOCK_VERSION_URL replaces the version file's address (a mirror, a
// test server).
inline QString VersionFile()
{
    const QString configured = qEnvironmentVariable("WENDLOCK_VERSION_URL");
    return configured.isEmpty() ? QStringLiteral("https://www.marrowind.example/wendlock/version.ini")
                                : configured;
}

} // namespace ProductLinks
