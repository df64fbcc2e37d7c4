#include "gui/mainwindow/AboutDialog.h"

#include "common/AppInfo.h"
#include "gui/frame/ProductLinks.h"
#include "gui/frame/ShellOperations.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/HyperlinkLabel.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("About %1").arg(AppInfo::DisplayName()));

    auto* icon = new QLabel(this);
    icon->setPixmap(CAppIcons::Application().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    auto* version =
        new QLabel(tr("%1 Version %2").arg(AppInfo::DisplayName(), AppInfo::ProgramVersion()), this);
    version->setObjectName(QStringLiteral("versionLabel"));
    m_pWebSite = new CHyperlinkLabel(ProductLinks::WebSite(), this);
    m_pWebSite->setObjectName(QStringLiteral("webSiteLink"));
    m_pEmail = new CHyperlinkLabel(ProductLinks::SupportEmail(), this);
    m_pEmail->setObjectName(QStringLiteral("emailLink"));
    // The links open through the shell operations, as the Help menu's do.
    for (CHyperlinkLabel* link : {m_pWebSite, m_pEmail}) {
        link->SetUrlOpener(&CShellOperations::OpenUrl);
    }

    auto* details = new QGridLayout;
    details->addWidget(version, 0, 0, 1, 2);
    details->addWidget(new QLabel(tr("Website:"), this), 1, 0);
    details->addWidget(m_pWebSite, 1, 1);
    details->addWidget(new QLabel(tr("Email:"), this), 2, 0);
    details->addWidget(m_pEmail, 2, 1);
    details->setColumnStretch(1, 1);
    details->setVerticalSpacing(8);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(details, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAboutDialog::accept);
    // Enter closes the box; the links open only when they are chosen.
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
