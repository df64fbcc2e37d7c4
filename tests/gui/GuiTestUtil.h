#pragma once

#include "gui/frame/FrameServices.h"

#include <QList>
#include <QString>

// Stands in for the main frame in page tests: records what the page asked.
class CFrameRecorder final : public IFrameServices
{
public:
    void SetProjectModified(bool modified) override { modifiedCalls.append(modified); }
    void NotifyPasswordMode(int passwordMode) override { passwordModes.append(passwordMode); }
    void ShowStatusPrompt(const QString& text) override { prompts.append(text); }
    void ShowHelp(HelpTopic topic) override { helpTopics.append(topic); }

    bool WasModified() const { return modifiedCalls.contains(true); }
    void Reset()
    {
        modifiedCalls.clear();
        passwordModes.clear();
        prompts.clear();
        helpTopics.clear();
    }

    QList<bool> modifiedCalls;
    QList<int> passwordModes;
    QStringList prompts;
    QList<HelpTopic> helpTopics;
};
