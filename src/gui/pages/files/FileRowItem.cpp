#include "gui/pages/files/FileRowItem.h"

#include "engine/ProtectEngine.h"

#include <QCoreApplication>
#include <QFileInfo>

CFileRowItem::CFileRowItem(CFileTypes* types, const QString& name, const QString& sizeText,
                           const QString& path)
    : QTreeWidgetItem(QStringList{name, sizeText, QString(), path}, QTreeWidgetItem::UserType),
      m_pTypes(types)
{
}

QVariant CFileRowItem::data(int column, int role) const
{
    if (column == ColumnName && role == Qt::DecorationRole) {
        return Type().icon;
    }
    if (column == ColumnType && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        return Type().name;
    }
    if (column == ColumnState && (role == Qt::DisplayRole || role == Qt::EditRole)) {
        if (!m_bStateKnown) {
            const QString path = QTreeWidgetItem::data(ColumnPath, Qt::DisplayRole).toString();
            if (!QFileInfo::exists(path)) {
                m_strState = QCoreApplication::translate("CPageFiles", "missing");
            } else if (CProtectEngine::DetectProtection(path) != CProtectEngine::Protection::None) {
                m_strState = QCoreApplication::translate("CPageFiles", "protected");
            } else {
                m_strState = QCoreApplication::translate("CPageFiles", "plain");
            }
            m_bStateKnown = true;
        }
        return m_strState;
    }
    return QTreeWidgetItem::data(column, role);
}

const CFileTypes::Info& CFileRowItem::Type() const
{
    if (!m_bTypeKnown) {
        m_type = m_pTypes->Of(QTreeWidgetItem::data(ColumnName, Qt::DisplayRole).toString());
        m_bTypeKnown = true;
    }
    return m_type;
}
