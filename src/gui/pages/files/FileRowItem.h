#pragma once

#include "gui/pages/files/FileTypes.h"

#include <QTreeWidgetItem>

// A row of the Files page: file name, size, type, path and state. The icon
// and the type depend on the name alone, so they are worked out the first
// time the row is shown rather than when it is added: a long import then
// pays for the few rows on screen, not for every row. The state
// (protected, plain, missing) reads the file, also only once shown.
class CFileRowItem final : public QTreeWidgetItem
{
public:
    enum Column
    {
        ColumnName = 0,
        ColumnSize = 1,
        ColumnType = 2,
        ColumnPath = 3,
        ColumnState = 4
    };

    // `types` must outlive the row.
    CFileRowItem(CFileTypes* types, const QString& name, const QString& sizeText, const QString& path);

    QVariant data(int column, int role) const override;
    // The file changed (a run protected or restored it): its state is
    // read again when next shown.
    void ForgetState() { m_bStateKnown = false; }

private:
    const CFileTypes::Info& Type() const;

    CFileTypes* m_pTypes;
    mutable CFileTypes::Info m_type;
    mutable bool m_bTypeKnown = false;
    mutable QString m_strState;
    mutable bool m_bStateKnown = false;
};
