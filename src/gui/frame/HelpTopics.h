#pragma once

#include "gui/frame/HelpTopic.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The help pages shipped in help/ beside the program: a contents page and
// one page for each dialog and wizard page. They open in the user's web
// browser.
class CHelpTopics final
{
    Q_DECLARE_TR_FUNCTIONS(CHelpTopics)

public:
    // "index.html" for the contents and any topic without a page.
    static QString FileName(HelpTopic topic);
    static QString FilePath(HelpTopic topic);
    // Every topic that has a page of its own.
    static QList<HelpTopic> Topics();
    // Opens the page; a failure is shown with the reason.
    static void Show(HelpTopic topic);
};
