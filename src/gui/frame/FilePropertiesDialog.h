#pragma once

#include <QDialog>
#include <QFileDevice>

class QLineEdit;

// A read-only summary of one file: name, type, folder, size, times,
// permissions and owner. Missing files show what their name tells.
class CFilePropertiesDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(CFilePropertiesDialog)

public:
    explicit CFilePropertiesDialog(const QString& path, QWidget* parent = nullptr);

    // The shown value of a field ("name", "type", "folder", "size",
    // "modified", "accessed", "permissions", "owner").
    QString FieldText(const QString& field) const;

    // "2,500 bytes (2.4 KB)".
    static QString SizeText(qint64 bytes);
    // "rw-r--r-- (644)".
    static QString PermissionsText(QFileDevice::Permissions permissions);
};
