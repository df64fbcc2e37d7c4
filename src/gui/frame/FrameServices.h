#pragma once

#include "gui/frame/HelpTopic.h"

#include <QString>

// What the pages ask of the main frame. The frame implements it; page
// tests pass a small recorder instead of a whole main window.
class IFrameServices
{
public:
    virtual ~IFrameServices() = default;
    // A user change on a page marks the project modified.
    virtual void SetProjectModified(bool modified) = 0;
    // The Password page reports every choice of the password mode; the
    // frame passes it on to the Template page.
    virtual void NotifyPasswordMode(int passwordMode) = 0;
    // A status-bar prompt for a hovered menu entry (empty clears it).
    virtual void ShowStatusPrompt(const QString& text) = 0;
    // Opens the help page with the given context number.
    virtual void ShowHelp(HelpTopic topic) = 0;
};
