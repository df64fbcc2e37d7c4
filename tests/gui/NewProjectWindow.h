#pragma once

#include "gui/frame/AppPreferences.h"
#include "gui/mainwindow/MainFrame.h"
#include "gui/mainwindow/RecentFileList.h"
#include "model/Project.h"
#include "model/WendlockDoc.h"

// The main window on a new project, as the program opens it, with the
// record, document, recent list and preferences it needs beside it.
struct CNewProjectWindow
{
    CProject data;
    CWendlockDoc doc{&data};
    CRecentFileList recent;
    CAppPreferences preferences;
    CMainFrame frame{&doc, &recent, preferences};

    CNewProjectWindow() { doc.OnNewDocument(); }
};
