#pragma once

#include "gui/frame/HelpDialog.h"

#include <QString>
#include <QStringList>

class IFrameServices;
class QComboBox;
class QLineEdit;

// "Create Template": asks for the new template's name and the listed
// template it starts from. OK refuses an empty name, a name with a
// character no file name may hold, and a name already listed, and keeps the
// dialog open after each message.
class CCreateTemplateDlg final : public CHelpDialog
{
    Q_OBJECT
    Q_DISABLE_COPY(CCreateTemplateDlg)

public:
    explicit CCreateTemplateDlg(IFrameServices* frame, QWidget* parent = nullptr);

    // The names of the listed templates in row order; the caller fills it
    // before the dialog runs.
    QStringList m_listNames;
    // The typed name, exactly as typed.
    QString m_strTemplateName;
    // Index of the chosen "Based on" entry: the caller presets it (the
    // first entry when out of range); -1 when there is none.
    int m_nBasedOn = 0;

    QLineEdit* NameEdit() const { return m_pNameEdit; }
    QComboBox* BasedOnCombo() const { return m_pBasedOn; }

public slots:
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PushToControls();
    void PullFromControls();

    QLineEdit* m_pNameEdit = nullptr;
    QComboBox* m_pBasedOn = nullptr;
    bool m_bInitialised = false;
};
