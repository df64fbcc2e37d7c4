#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The common file dialogs. Tests queue the answers (a chosen path, or an
// empty string for a cancelled dialog) so that no dialog is ever shown.
class CFileDialog final
{
public:
    static QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& filter,
                                   const QString& directory = QString());
    static QStringList GetOpenFileNames(QWidget* parent, const QString& caption, const QString& filter,
                                        const QString& directory = QString());
    // defaultSuffix is appended when the typed name has none; an existing
    // file is replaced only after the user agreed.
    static QString GetSaveFileName(QWidget* parent, const QString& caption, const QString& filter,
                                   const QString& suggestedPath = QString(),
                                   const QString& defaultSuffix = QString());
    static QString GetExistingDirectory(QWidget* parent, const QString& caption,
                                        const QString& directory = QString());

    // Test hooks: each call takes the next queued answer; GetOpenFileNames
    // splits it at '\n'. With test mode on and nothing queued, the dialog
    // counts as cancelled.
    static void SetNextFileNames(const QStringList& answers);
    static void SetTestMode(bool on);
    // In test mode: the caption and the suggested path or folder of the
    // last dialog that would have been shown.
    static QString LastCaption();
    static QString LastSuggestedPath();
};
