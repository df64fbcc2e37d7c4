#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <mutex>

// Page texts deflated ahead of their turn, while a run's key is still being
// derived: the derivation is one chain of hashes that only one core can
// work on, and the other cores would wait. When a page's turn comes it is
// read again under its folder's lock, and it takes a deflated text only if
// its own text is byte for byte the one deflated ahead.
class CDeflateAhead final
{
public:
    // Texts and their deflated bytes held at most.
    static constexpr qsizetype kBudget = 32 * 1024 * 1024;

    // Keeps the deflated text of a page; false (and nothing kept) past the
    // budget.
    bool Put(const QString& path, const QByteArray& text, const QByteArray& deflated);
    // The deflated bytes kept for the page, given once, and only when its
    // text now is exactly the one deflated.
    bool Take(const QString& path, const QByteArray& text, QByteArray& deflated);
    bool Full() const;
    // Texts kept and not taken yet.
    qsizetype Count() const;

private:
    struct Entry
    {
        QByteArray text;
        QByteArray deflated;
    };
    mutable std::mutex m_mutex;
    QHash<QString, Entry> m_entries;
    qsizetype m_nBytes = 0;
};
