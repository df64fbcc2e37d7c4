#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class CProject;

// The keys of one strong-format run: derived once from the project's
// password or users, then shared by every page of the run (and by every
// worker thread). See docs/strong-format.md.
class CStrongSiteKeys final
{
public:
    // Called as users' keys are derived: done of total.
    using Progress = std::function<void(int done, int total)>;

    // Derives the run's keys from the record: one key derivation for the
    // single password, one per user (spread over `threads` threads) for a
    // list of users. Null with a message when the record can't be used.
    static std::shared_ptr<const CStrongSiteKeys> Derive(const CProject& data, int threads, QString* error,
                                                         const Progress& progress = {});

    int Mode() const { return m_nMode; }
    int Iterations() const { return m_nIterations; }
    const QByteArray& Salt() const { return m_salt; }
    const QByteArray& ContentKey() const { return m_contentKey; }
    // The run's random value the lookup ids depend on (several users only;
    // empty for a single password).
    const QByteArray& Run() const { return m_run; }
    // Base64 of each user's wrapped content key and of random entries that
    // pad the table to a multiple of kKeyTableBlock, all in random order.
    const QList<QByteArray>& Entries() const { return m_entries; }

    // The secret a credential gives (the login script derives the same).
    static QByteArray UserSecret(const QByteArray& derivationInput, const QByteArray& salt, int iterations);
    // The content key a single password's secret gives.
    static QByteArray ContentKeyOf(const QByteArray& secret, const QByteArray& salt);
    // The id a user's entry is found by: with the run's value when the page
    // carries one, else as pages written before it did.
    static QByteArray LookupId(const QByteArray& secret, const QByteArray& salt, const QByteArray& run);
    // The content key inside the entry that belongs to `secret`; empty when
    // none of them does. `run` is empty for a page without one.
    static QByteArray UnwrapContentKey(const QList<QByteArray>& entries, const QByteArray& secret,
                                       const QByteArray& salt, const QByteArray& run);
    // The size of a key table for `users` users: a multiple of
    // kKeyTableBlock, never less than one block.
    static qsizetype PaddedCount(qsizetype users);

private:
    int m_nMode = 0;
    int m_nIterations = 0;
    QByteArray m_salt;
    QByteArray m_contentKey;
    QByteArray m_run;
    QList<QByteArray> m_entries;
};
