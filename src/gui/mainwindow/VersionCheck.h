#pragma once

#include <QCoreApplication>
#include <QString>

class QUrl;
class QWidget;

// Asks the maker's web site whether a newer release exists: downloads a
// small INI file ([Version] Version=, [URL] URL=) and, when its version
// sorts after the running one, offers to open the download page.
class CVersionCheck final
{
    Q_DECLARE_TR_FUNCTIONS(CVersionCheck)

public:
    // True when the version file was downloaded. The window stays painted
    // but takes no input while the download runs.
    static bool CheckNewVersion(QWidget* parent, const QUrl& versionFile, const QString& currentVersion,
                                const QString& defaultDownloadPage);

    // Versions compare as text, character code by character code, so
    // "10.0" sorts before "2.4".
    static bool IsNewer(const QString& newest, const QString& current);
};
