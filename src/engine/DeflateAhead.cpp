#include "engine/DeflateAhead.h"

#include <QHash>

bool CDeflateAhead::Put(const QByteArray& text, const QByteArray& deflated)
{
    const qsizetype size = text.size() + deflated.size();
    const size_t key = qHash(text);
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_nBytes + size > kBudget) {
        return false;
    }
    m_entries.insert(key, {text, deflated});
    m_nBytes += size;
    return true;
}

bool CDeflateAhead::Take(const QByteArray& text, QByteArray& deflated)
{
    const size_t key = qHash(text);
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.find(key); it != m_entries.end() && it.key() == key; ++it) {
        if (it->text == text) {
            deflated = it->deflated;
            m_nBytes -= it->text.size() + it->deflated.size();
            m_entries.erase(it);
            return true;
        }
    }
    return false;
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
