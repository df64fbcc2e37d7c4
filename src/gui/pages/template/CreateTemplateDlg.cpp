#include "gui/pages/template/CreateTemplateDlg.h"

#include "gui/frame/FrameServices.h"
#include "gui/widgets/MessageBox.h"
#include "templates/TemplateStore.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
}

CCreateTemplateDlg::CCreateTemplateDlg(IFrameServices* frame, QWidget* parent)
    : CHelpDialog(frame, HelpTopic::CreateTemplate, parent)
{
    setWindowTitle(tr("Create Template"));
    setObjectName(QStringLiteral("CreateTemplateDlg"));

    m_pNameEdit = new QLineEdit(this);
    m_pNameEdit->setObjectName(QStringLiteral("templateName"));
    m_pBasedOn = new QComboBox(this);
    m_pBasedOn->setObjectName(QStringLiteral("basedOn"));
    m_pBasedOn->setEditable(false);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(tr("&Template Name:"), m_pNameEdit);
    form->addRow(tr("&Based on:"), m_pBasedOn);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(tr("&OK"));
    ok->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    buttons->button(QDialogButtonBox::Help)->setText(tr("&Help"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CCreateTemplateDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CCreateTemplateDlg::reject);
    ConnectHelpButton(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(buttons);
    setMinimumWidth(360);
}

void CCreateTemplateDlg::showEvent(QShowEvent* event)
{
    if (!m_bInitialised) {
        m_bInitialised = true;
        // The names first, so that the preset "Based on" row can be chosen;
        // one out of range falls back to the first.
        m_pBasedOn->addItems(m_listNames);
        if (m_nBasedOn < 0 || m_nBasedOn >= m_pBasedOn->count()) {
            m_nBasedOn = m_pBasedOn->count() > 0 ? 0 : -1;
        }
        PushToControls();
        m_pNameEdit->setFocus();
    }
    QDialog::showEvent(event);
}

void CCreateTemplateDlg::accept()
{
    PullFromControls();
    const QString refusal = CTemplateStore::CheckNewName(m_strTemplateName, m_listNames);
    if (!refusal.isEmpty()) {
        CMessageBox::Warning(this, refusal);
        m_pNameEdit->setFocus();
        m_pNameEdit->selectAll();
        return;
    }
    QDialog::accept();
}

void CCreateTemplateDlg::PushToControls()
{
    m_pNameEdit->setText(m_strTemplateName);
    m_pBasedOn->setCurrentIndex(m_nBasedOn);
}

void CCreateTemplateDlg::PullFromControls()
{
    m_strTemplateName = m_pNameEdit->text();
    m_nBasedOn = m_pBasedOn->currentIndex();
}
