#pragma once

#include "gui/frame/HelpTopic.h"

#include <QWidget>
#include <initializer_list>

class CProject;
class QMenu;
class IFrameServices;

// The base of every wizard page: a child widget of the tabbed host that
// pushes its members into its controls and pulls them back at the host's
// fixed moments. Pages are thin editors over the project record. Through
// the frame it puts prompts in the status bar and opens help: F1 inside a
// page with a help topic of its own opens that topic.
class CPropertyViewPage : public QWidget
{
    Q_OBJECT

public:
    CPropertyViewPage(IFrameServices* frame, const QString& caption, QWidget* parent = nullptr);

    QString Caption() const { return m_strCaption; }
    // The tabbed view that shows the page, once it has taken it in.
    QWidget* Host() const { return m_pHost; }
    void SetHost(QWidget* host) { m_pHost = host; }
    IFrameServices* Frame() const { return m_pFrame; }

    // Host protocol. The first activation only clears the flag; later ones
    // push the members into the controls. Leaving pulls them back, and a
    // control whose value is invalid (the page has already said so) keeps
    // the page current.
    void SetFirstActivation(bool first) { m_bFirstActivation = first; }
    virtual bool OnSetActive();
    virtual bool OnKillActive();

    // Project operations (the Result page has none: the defaults do nothing).
    virtual void LoadFromProject(const CProject& data);
    virtual void SaveToProject(CProject& data);
    virtual bool ValidateForProtect();

protected:
    // Members to controls, and controls to members (false when a control's
    // value is invalid; the page shows the message).
    virtual void PushToControls() {}
    virtual bool PullFromControls() { return true; }
    // Marks the project modified through the frame (when there is one).
    void SetProjectModified();

    // F1 anywhere inside the page opens help topic `context`, ahead of the
    // frame's own F1 shortcut.
    void SetHelpTopic(HelpTopic topic) { m_eHelpTopic = topic; }
    bool event(QEvent* event) override;

    // A status-bar prompt (empty clears it).
    void ShowStatusPrompt(const QString& text) const;
    // The entries hovered in `menu` show their status tips as prompts.
    void ShowStatusTipsOf(QMenu* menu);
    // Hiding `menu` clears the prompt.
    void ClearPromptOnHide(QMenu* menu);

    struct ToolTip
    {
        const char* objectName;
        QString text;
    };
    // Gives the page's controls their tooltips (one sentence each: what the
    // control does, in the visitor's browser where that is what it changes),
    // found by object name.
    void SetToolTips(std::initializer_list<ToolTip> tips);

private:
    IFrameServices* m_pFrame;
    QWidget* m_pHost = nullptr;
    QString m_strCaption;
    HelpTopic m_eHelpTopic = HelpTopic::Contents;
    bool m_bFirstActivation = false;
};
