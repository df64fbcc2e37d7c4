#include "gui/frame/OpenWithDialog.h"

#include "gui/frame/ShellOperations.h"
#include "gui/widgets/AppIcons.h"
#include "gui/widgets/FileDialog.h"
#include "gui/widgets/MessageBox.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QIcon ApplicationIcon(const QString& icon, const QIcon& fallback)
{
    if (icon.isEmpty()) {
        return fallback;
    }
    if (QFileInfo(icon).isAbsolute()) {
        return QIcon(icon);
    }
    return QIcon::fromTheme(icon, fallback);
}

} // namespace

COpenWithDialog::COpenWithDialog(const QString& path, QWidget* parent)
    : QDialog(parent), m_strPath(path),
      m_entries(CDesktopApplications::ForMimeType(CDesktopApplications::MimeTypeOfFile(path)))
{
    setWindowTitle(tr("Open With"));
    auto* prompt =
        new QLabel(tr("Choose the program you want to use to open this file:\n%1").arg(path), this);
    prompt->setWordWrap(true);
    prompt->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("applicationList"));
    m_pList->setIconSize(QSize(24, 24));
    const QIcon genericIcon = CAppIcons::Icon(CAppIcons::Role::Program);
    for (const CDesktopApplications::Entry& entry : m_entries) {
        m_pList->addItem(new QListWidgetItem(ApplicationIcon(entry.icon, genericIcon), entry.name));
    }
    m_pList->addItem(
        new QListWidgetItem(CAppIcons::Icon(CAppIcons::Role::AddFolder), tr("Other program...")));
    m_pList->setCurrentRow(0);
    connect(m_pList, &QListWidget::itemDoubleClicked, this, &COpenWithDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &COpenWithDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &COpenWithDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_pList, 1);
    layout->addWidget(buttons);
    resize(420, 380);
}

int COpenWithDialog::OtherProgramRow() const
{
    return m_pList->count() - 1;
}

bool COpenWithDialog::LaunchSelected()
{
    const int row = m_pList->currentRow();
    if (row < 0) {
        return false;
    }
    QString program;
    QString error;
    bool started = false;
    if (row == OtherProgramRow()) {
        program = CFileDialog::GetOpenFileName(this, tr("Open With"), tr("All Files (*)"),
                                               QStringLiteral("/usr/bin"));
        if (program.isEmpty()) {
            return false;
        }
        started = CShellOperations::StartProgram({program, m_strPath});
    } else {
        program = m_entries.at(row).name;
        started = CShellOperations::LaunchApplication(m_entries.at(row), m_strPath, &error);
    }
    if (!started) {
        QString reason = tr("the program \"%1\" could not be started").arg(program);
        if (!error.isEmpty()) {
            reason += QLatin1String(": ") + error;
        }
        CMessageBox::Warning(this,
                             CShellOperations::FailureText(CShellOperations::tr("open"), m_strPath, reason));
    }
    return started;
}

void COpenWithDialog::accept()
{
    if (LaunchSelected()) {
        QDialog::accept();
    }
}
