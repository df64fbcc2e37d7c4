#pragma once

#include "model/UserListNode.h"

#include <QList>
#include <QString>

class CProject;

// The rules a project must meet before a protect run, in one place: the
// wizard's pages show the first problem of their own and take the user
// there; the command line prints every problem.
class CProtectJob final
{
public:
    enum class Page
    {
        Files,
        Password,
        Login,
        Template,
        Protect
    };
    struct Problem
    {
        Page page;
        QString message;
    };

    // Every problem, in page order.
    static QList<Problem> Check(const CProject& data);

    // The rules of each page, for the pages that hold values the record
    // does not have yet. Empty when all is well.
    static QString CheckFiles(const QStringList& files);
    static QString CheckPassword(int passwordMode, const QString& password, const QList<CUserListNode>& users,
                                 bool userNameCase);
    static QString CheckLogin(int incorrectAction, const QString& alertText, const QString& redirectUrl);
    static QString CheckTemplate(const QString& templatePath);
    static QString CheckProtect(int cipher, int iterations, const QByteArray& salt);
    // The whole-site option: strong format only, every page below the site
    // root.
    static QString CheckSiteFiles(int cipher, bool protectAssets, const QString& siteRoot,
                                  const QStringList& files);
};
