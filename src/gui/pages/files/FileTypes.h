#pragma once

#include <QCoreApplication>
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

// The icon and type name of a file, from its name alone (the MIME
// database's extension rules), so that a file that does not exist looks
// like one that does. Each type's icon is looked up once.
class CFileTypes final
{
    Q_DECLARE_TR_FUNCTIONS(CFileTypes)

public:
    struct Info
    {
        QIcon icon;
        QString name;
    };

    const Info& Of(const QString& fileName);

private:
    QMimeDatabase m_mimeDatabase;
    QHash<QString, Info> m_cache;
};
