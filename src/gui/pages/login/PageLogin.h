#pragma once

#include "gui/frame/PropertyViewPage.h"

class CDigitSpinBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

// The Login page: when a successful login expires, what a wrong login does
// (an alert or a redirect) and whether user names and passwords are
// compared case-sensitively.
class CPageLogin final : public CPropertyViewPage
{
    Q_OBJECT
    Q_DISABLE_COPY(CPageLogin)

public:
    explicit CPageLogin(IFrameServices* frame, QWidget* parent = nullptr);

    void LoadFromProject(const CProject& data) override;
    // A days box that holds no integer is refused (the page says so) and
    // the values after it are not taken; what was taken is still saved.
    void SaveToProject(CProject& data) override;
    // Refuses an alert without text and a redirect without an address.
    bool ValidateForProtect() override;

protected:
    void PushToControls() override;
    bool PullFromControls() override;

private:
    void ApplyExpireRule(int loginExpire);
    void ApplyReactionRule(int incorrectAction);
    void SetTargetText(const QString& target);
    void OnExpireActivated(int index);
    void OnReactionClicked(int incorrectAction);

    // The page's members, exchanged with the controls in this order.
    int m_nLoginExpire = 1;
    int m_nExpireDays = 365;
    int m_nIncorrectAction = 0;
    QString m_strAlertText;
    QString m_strRedirectURL;
    QString m_strRedirectTarget;
    bool m_bUserNameCase = true;
    bool m_bPasswordCase = true;
    bool m_bShareFileLogins = false;

    QComboBox* m_pExpireCombo = nullptr;
    QLabel* m_pDaysLabel = nullptr;
    CDigitSpinBox* m_pDaysEdit = nullptr;
    QRadioButton* m_pAlertRadio = nullptr;
    QRadioButton* m_pRedirectRadio = nullptr;
    QLineEdit* m_pAlertEdit = nullptr;
    QLineEdit* m_pUrlEdit = nullptr;
    QLabel* m_pTargetLabel = nullptr;
    QComboBox* m_pTargetCombo = nullptr;
    QCheckBox* m_pUserCaseCheck = nullptr;
    QCheckBox* m_pPasswordCaseCheck = nullptr;
    QCheckBox* m_pShareFileCheck = nullptr;
};
