#include "model/UserListNode.h"

#include "model/ArchiveReader.h"
#include "model/ArchiveWriter.h"

void CUserListNode::Serialize(CArchiveWriter& ar) const
{
    ar.WriteString(m_strUserName);
    ar.WriteString(m_strPassword);
    ar.WriteString(m_strFullName);
    ar.WriteString(m_strEmail);
    ar.WriteString(m_strDescription);
}

bool CUserListNode::Serialize(CArchiveReader& ar)
{
    m_strUserName = ar.ReadString();
    m_strPassword = ar.ReadString();
    m_strFullName = ar.ReadString();
    m_strEmail = ar.ReadString();
    m_strDescription = ar.ReadString();
    return ar.IsOk();
}

bool CUserListNode::operator==(const CUserListNode& other) const
{
    return m_strUserName == other.m_strUserName && m_strPassword == other.m_strPassword &&
           m_strFullName == other.m_strFullName && m_strEmail == other.m_strEmail &&
           m_strDescription == other.m_strDescription;
}
