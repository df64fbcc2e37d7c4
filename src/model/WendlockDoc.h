#pragma once

#include <QString>
#include <functional>

class CProject;

// The project document: the New, Open and Save rules around the one project
// record, without any window. The main frame plugs its LoadPages and
// SavePages in through the page hooks; the CLI leaves them empty.
class CWendlockDoc
{
public:
    explicit CWendlockDoc(CProject* data);

    void SetPageHooks(std::function<void()> loadPages, std::function<void()> savePages);

    // Clears the record, sets the New Project defaults and loads the pages.
    bool OnNewDocument();
    // Reads the file into a fresh record; only when that succeeded does the
    // open record take its values and the pages get loaded. On failure the
    // open project stays exactly as it was and errorMessage says why.
    bool OnOpenDocument(const QString& path, QString* errorMessage);
    // Collects the pages, then writes the record to a temporary file in the
    // target's folder and renames it over the target, so a failed save
    // never damages an existing project file or leaves a new one behind.
    bool OnSaveDocument(const QString& path, QString* errorMessage);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    QString GetPathName() const { return m_strPathName; }
    void SetPathName(const QString& path) { m_strPathName = path; }
    // The file name of the project, or "Untitled" for a new one.
    QString GetTitle() const;
    // The version string read from the last opened file (empty until then).
    QString GetLoadedVersion() const { return m_strLoadedVersion; }

    CProject* GetData() const { return m_pData; }

    // The file format on its own, for the CLI and the tests.
    static bool ReadProjectFile(const QString& path, CProject& record, QString* loadedVersion,
                                QString* errorMessage);
    static bool ReadProjectBytes(const QByteArray& bytes, CProject& record, QString* loadedVersion,
                                 QString* errorMessage);
    static QByteArray ProjectBytes(const CProject& record);
    static bool WriteProjectFile(const QString& path, const CProject& record, QString* errorMessage);

private:
    CProject* m_pData;
    QString m_strPathName;
    QString m_strLoadedVersion;
    bool m_bModified = false;
    std::function<void()> m_loadPages;
    std::function<void()> m_savePages;
};
