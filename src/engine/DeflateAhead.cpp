#include "engine/DeflateAhead.h"

bool CDeflateAhead::Put(const QString& path, const QByteArray& text, const QByteArray& deflated)
{
    const qsizetype size = text.size() + deflated.size();
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nBytes + size > kBudget || m_entries.contains(path)) {
        return false;
    }
    m_entries.insert(path, {text, deflated});
    m_nBytes += size;
    return true;
}

bool CDeflateAhead::Take(const QString& path, const QByteArray& text, QByteArray& deflated)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_entries.find(path);
    if (it == m_entries.end()) {
        return false;
    }
    const bool same = it->text == text;
    if (same) {
        deflated = it->deflated;
    }
    m_nBytes -= it->text.size() + it->deflated.size();
    m_entries.erase(it);
    return same;
}

bool CDeflateAhead::Full() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    // Within an average page of the budget.
    return m_nBytes > kBudget - 256 * 1024;
}

qsizetype CDeflateAhead::Count() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}
