#pragma once

#include "engine/PageFormat.h"

#include <QByteArray>
#include <QString>

class QIODevice;

// Deciphers a protected page with a password (and, for a multi-user page,
// a user name), the way the login script in the browser does, and hands
// back the page text it carries. Lets a user recover a page whose backup
// is lost. The page is mapped, not read, so large pages cost little memory.
class CPageUnlocker final
{
public:
    using Status = CPageFormat::UnlockStatus;

    // Writes the carried text to `out`: LF line ends, and for a classic
    // page non-ASCII as numeric references; a strong page's text is UTF-8.
    // `contentKey`, when given, receives a strong page's content key once
    // the page opened (the key of the site's enciphered files too).
    static Status Unlock(const QString& pagePath, const QString& userName, const QString& password,
                         QIODevice* out, QByteArray* contentKey = nullptr);
    static QString StatusText(Status status, const QString& pagePath);
};
