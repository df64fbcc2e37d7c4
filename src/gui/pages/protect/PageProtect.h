#pragma once

#include "gui/frame/PropertyViewPage.h"
#include "model/Project.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// The Protect page: the charset of the files, the head copy, the refresh
// after login, the page format with its key derivation, and the optional
// hardening scripts with the location and referrer locks. It never blocks
// a protect run.
class CPageProtect final : public CPropertyViewPage
{
    Q_OBJECT
    Q_DISABLE_COPY(CPageProtect)

public:
    explicit CPageProtect(IFrameServices* frame, QWidget* parent = nullptr);

    void LoadFromProject(const CProject& data) override;
    void SaveToProject(CProject& data) override;
    bool ValidateForProtect() override;

    // The pages the Files page lists now: an empty site root stands for the
    // deepest folder that holds them all, which the page shows.
    void SetListedPages(const QStringList& pages);

signals:
    // The site is written to another folder (true) or protected in place.
    void OutputElsewhereChanged(bool elsewhere);

protected:
    void PushToControls() override;
    bool PullFromControls() override;

private:
    // One check box and the member it is exchanged with.
    struct CheckBinding
    {
        QCheckBox* box;
        bool* member;
    };

    QCheckBox* AddCheck(const QString& text, const QString& name, bool* member);
    // The script group is on while either script check box is checked;
    // each lock edit also needs its own lock checked.
    void ApplyEnablingRule();
    // Iterations and sign-out only mean something for the strong format;
    // the classic warning only for the classic one.
    void ApplyFormatRule();
    void OnCipherActivated();
    void OnSignOut();
    void OnBrowseOutput();
    // The folder edit and its button only while the site goes elsewhere.
    void ApplyOutputRule();

    bool m_bCopyHead = false;
    int m_nCharset = 0;
    bool m_bNoRightClick = false;
    bool m_bNoTextSelect = false;
    bool m_bNoPrint = false;
    bool m_bNoOffline = false;
    bool m_bNoStatusLinks = false;
    bool m_bLocationLock = false;
    QString m_strLocationLock;
    bool m_bRefreshIE = false;
    bool m_bKillFrame = false;
    bool m_bReferrerLock = false;
    QString m_strReferrerLock;
    bool m_bNoMozilla = false;
    bool m_bNoOpera = false;
    bool m_bNoPrintScreen = false;
    bool m_bNoDragDrop = false;
    bool m_bProtectLoginPages = false;
    bool m_bProtectAfterLogin = false;
    int m_nCipher = CProject::kCipherStrong;
    int m_nKdfIterations = CProject::kDefaultKdfIterations;
    QByteArray m_baSalt;
    QByteArray m_baContentKey;
    bool m_bProtectAssets = false;
    QString m_strSiteRoot;
    QString m_strAssetExclude;
    QString m_strDefaultRoot;
    QString m_strOutputFolder;
    // The move away from classic warns once per loaded classic project.
    bool m_bLoadedClassic = false;
    bool m_bUpgradeWarned = false;

    QComboBox* m_pCharsetCombo = nullptr;
    QComboBox* m_pCipherCombo = nullptr;
    QLabel* m_pClassicWarning = nullptr;
    QSpinBox* m_pIterationsSpin = nullptr;
    QPushButton* m_pSignOutButton = nullptr;
    QCheckBox* m_pAssetsCheck = nullptr;
    QLabel* m_pAssetsNote = nullptr;
    QLineEdit* m_pSiteRootEdit = nullptr;
    QLabel* m_pDefaultRootLabel = nullptr;
    QLineEdit* m_pExcludeEdit = nullptr;
    QRadioButton* m_pInPlaceRadio = nullptr;
    QRadioButton* m_pOutputRadio = nullptr;
    QLineEdit* m_pOutputEdit = nullptr;
    QPushButton* m_pBrowseOutputButton = nullptr;
    QLabel* m_pOutputNote = nullptr;
    QCheckBox* m_pCopyHeadCheck = nullptr;
    QCheckBox* m_pRefreshCheck = nullptr;
    QCheckBox* m_pProtectLoginCheck = nullptr;
    QCheckBox* m_pProtectAfterCheck = nullptr;
    QCheckBox* m_pLocationLockCheck = nullptr;
    QLineEdit* m_pLocationLockEdit = nullptr;
    QCheckBox* m_pReferrerLockCheck = nullptr;
    QLineEdit* m_pReferrerLockEdit = nullptr;
    QList<QCheckBox*> m_hardening;
    QList<CheckBinding> m_checks;
};
