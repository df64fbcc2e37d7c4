#pragma once

#include <QString>

// One row of the charset table: the name shown to the user, the Windows code
// page number the page conversion is keyed on (0 = the default row) and a
// descriptive label.
struct CCharsetNode
{
    QString m_strName;
    int m_nCodePage = 0;
    QString m_strLabel;
};
