#pragma once

#include <QList>
#include <QString>

// The login-page templates of a password mode: every web file directly in
// the mode's templates folder, in directory order.
class CTemplateStore final
{
public:
    struct Entry
    {
        QString name; // the file name without its last extension
        QString path; // the folder followed by the file name
    };

    static QList<Entry> ListFolder(const QString& folder);
    static QList<Entry> List(int passwordMode);
};
