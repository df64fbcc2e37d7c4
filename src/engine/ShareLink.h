#pragma once

#include <QByteArray>
#include <QString>

class CProject;

// A share link: a page's address with "#wl=TOKEN", where the token is the
// secret the strong login script derives from the credentials (base64url),
// never the password. Opening it logs in as the password does; a new salt
// makes it stale.
class CShareLink final
{
public:
    // What a login needs to derive its secret.
    struct Login
    {
        int mode = 0;
        int iterations = 0;
        QByteArray salt;
        bool passwordCase = true;
        bool userCase = true;
    };

    // From a strong page's own settings; false for any other file.
    static bool FromPage(const QString& path, Login& login);
    // From a project; false when it is not strong or has no salt yet.
    static bool FromProject(const CProject& data, Login& login);
    // The project's own password of `user` (or its single password); false
    // when it names no such user.
    static bool ProjectPassword(const CProject& data, const QString& user, QString& password);

    // The token (empty when the derivation failed).
    static QByteArray Token(const Login& login, const QString& user, const QString& password);
    // `url` with the token as its fragment, or after the fragment it has.
    static QString Link(const QString& url, const QByteArray& token);
};
