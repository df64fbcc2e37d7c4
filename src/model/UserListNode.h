#pragma once

#include <QString>

class CArchiveReader;
class CArchiveWriter;

// One user of a multi-user project. Stored by value in the record's list.
class CUserListNode
{
public:
    QString m_strUserName;
    QString m_strPassword;
    QString m_strFullName;
    QString m_strEmail;
    QString m_strDescription;

    // Writes or reads the five strings in field order.
    void Serialize(CArchiveWriter& ar) const;
    bool Serialize(CArchiveReader& ar);

    bool operator==(const CUserListNode& other) const;
    bool operator!=(const CUserListNode& other) const { return !(*this == other); }
};
