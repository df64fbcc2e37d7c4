#include "gui/frame/FilePropertiesDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeDatabase>
#include <QVBoxLayout>

namespace {

QString TimeText(const QDateTime& time)
{
    return time.isValid() ? QLocale().toString(time, QLocale::LongFormat) : QString();
}

} // namespace

CFilePropertiesDialog::CFilePropertiesDialog(const QString& path, QWidget* parent) : QDialog(parent)
{
    const QFileInfo info(path);
    const bool exists = info.exists();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    setWindowTitle(tr("%1 Properties").arg(info.fileName()));

    auto* icon = new QLabel(this);
    icon->setPixmap(QFileIconProvider().icon(info).pixmap(32, 32));
    auto* form = new QFormLayout;
    form->addRow(icon);
    const auto addField = [&](const QString& field, const QString& label, const QString& value) {
        auto* edit = new QLineEdit(value, this);
        edit->setObjectName(field);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setCursorPosition(0);
        form->addRow(label, edit);
    };
    const QString missing = tr("(the file does not exist)");
    addField(QStringLiteral("name"), tr("Name:"), info.fileName());
    addField(QStringLiteral("type"), tr("Type:"), QStringLiteral("%1 (%2)").arg(type.comment(), type.name()));
    addField(QStringLiteral("folder"), tr("Folder:"), QDir::toNativeSeparators(info.absolutePath()));
    addField(QStringLiteral("size"), tr("Size:"), exists ? SizeText(info.size()) : missing);
    addField(QStringLiteral("modified"), tr("Modified:"), exists ? TimeText(info.lastModified()) : missing);
    addField(QStringLiteral("accessed"), tr("Accessed:"), exists ? TimeText(info.lastRead()) : missing);
    addField(QStringLiteral("permissions"), tr("Permissions:"),
             exists ? PermissionsText(info.permissions()) : missing);
    addField(QStringLiteral("owner"), tr("Owner:"),
             exists ? tr("%1, group %2").arg(info.owner(), info.group()) : missing);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFilePropertiesDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addWidget(buttons);
    resize(440, sizeHint().height());
}

QString CFilePropertiesDialog::FieldText(const QString& field) const
{
    const auto* edit = findChild<QLineEdit*>(field);
    return edit ? edit->text() : QString();
}

QString CFilePropertiesDialog::SizeText(qint64 bytes)
{
    const QLocale locale;
    return tr("%1 bytes (%2)").arg(locale.toString(bytes), locale.formattedDataSize(bytes, 1));
}

QString CFilePropertiesDialog::PermissionsText(QFileDevice::Permissions permissions)
{
    const QFileDevice::Permission bits[9] = {
        QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner,
        QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup,
        QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther};
    const char letters[] = "rwx";
    QString text;
    int octal = 0;
    for (int i = 0; i < 9; ++i) {
        const bool on = permissions.testFlag(bits[i]);
        text.append(on ? QLatin1Char(letters[i % 3]) : QLatin1Char('-'));
        octal = octal * 2 + (on ? 1 : 0);
    }
    return QStringLiteral("%1 (%2)").arg(text).arg(octal, 3, 8, QLatin1Char('0'));
}
