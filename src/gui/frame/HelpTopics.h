#pragma once

#include <QList>
#include <QString>

// The help pages shipped in help/ beside the program: a contents page and
// one page for each context number (dialogs 1 to 3, pages 21 to 26). They
// open in the user's web browser.
class CHelpTopics final
{
public:
    // "index.html" for the contents (context 0, and any unknown number).
    static QString FileName(int context);
    static QString FilePath(int context);
    // Every context number that has a page of its own.
    static QList<int> Contexts();
    // Opens the page; the result is not reported.
    static void Show(int context);
};
