#pragma once

#include "gui/frame/AppPreferences.h"
#include "gui/mainwindow/RecentFileList.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

#include <QRect>
#include <QStringList>
#include <memory>

class CMainFrame;

// Start and end of the program: the charset table, the application and
// per-user data folders, the preferences and recent projects, the main
// window with a new project or the project named on the command line.
class CWendlockApp final
{
public:
    CWendlockApp();
    ~CWendlockApp();
    CWendlockApp(const CWendlockApp&) = delete;
    CWendlockApp& operator=(const CWendlockApp&) = delete;

    // False when the program should end at once (the project named on
    // the command line could not be opened; the reason has been shown).
    bool InitInstance(const QStringList& arguments);
    // Writes the preferences and the recent projects back.
    void ExitInstance();

    CMainFrame* MainFrame() const { return m_pFrame.get(); }
    CWendlockDoc& Document() { return m_doc; }
    CAppPreferences& Preferences() { return m_preferences; }

    // Takes the data folder below `dataHome` (Marrowind/Wendlock/; the
    // application folder's AppData/ when there is no data home), creates
    // it and its Preferences/ sub-folder, says so for each one that can't
    // be made, and records both in `preferences`. The program goes on
    // either way.
    static void InitDataFolders(const QString& dataHome, CAppPreferences& preferences);

    // `window` moved and shrunk as little as needed to lie within
    // `available` (a screen's work area): a geometry saved on a larger
    // screen or at another scale factor must not fall off this one.
    static QRect FitToScreen(const QRect& window, const QRect& available);

private:
    // WENDLOCK_TEST_PROTECT_AND_QUIT (for the benchmarks): presses Protect
    // once the window shows and quits when the run ends.
    void ProtectAndQuit();

    CProject m_data;
    CWendlockDoc m_doc;
    CRecentFileList m_recentFiles;
    CAppPreferences m_preferences;
    std::unique_ptr<CMainFrame> m_pFrame;
};
