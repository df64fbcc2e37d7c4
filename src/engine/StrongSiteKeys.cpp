#include "engine/StrongSiteKeys.h"

#include "engine/StrongCrypto.h"
#include "model/Project.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace SC = StrongCrypto;

namespace {

QByteArray WrapAad(const QByteArray& salt)
{
    return QByteArray(SC::kWrapAadLabel) + salt;
}

// A uniformly random index below `bound`, from the secure source.
quint32 RandomBelow(quint32 bound)
{
    const QByteArray bytes = SC::RandomBytes(8);
    quint64 value = 0;
    for (const char c : bytes) {
        value = (value << 8) | quint8(c);
    }
    return quint32(value % bound); // 2^64 against a list size: bias is negligible
}

} // namespace

QByteArray CStrongSiteKeys::UserSecret(const QByteArray& derivationInput, const QByteArray& salt,
                                       int iterations)
{
    return SC::Pbkdf2(derivationInput, salt, iterations);
}

QByteArray CStrongSiteKeys::ContentKeyOf(const QByteArray& secret, const QByteArray& salt)
{
    return SC::Hkdf(secret, salt, SC::kContentKeyLabel, SC::kKeySize);
}

QByteArray CStrongSiteKeys::LookupId(const QByteArray& secret, const QByteArray& salt, const QByteArray& run)
{
    if (run.isEmpty()) {
        return SC::Hkdf(secret, salt, SC::kLookupIdLabel, SC::kLookupIdSize);
    }
    return SC::Hkdf(secret, salt + run, SC::kRunLookupIdLabel, SC::kLookupIdSize);
}

qsizetype CStrongSiteKeys::PaddedCount(qsizetype users)
{
    const qsizetype blocks = (qMax<qsizetype>(users, 1) + SC::kKeyTableBlock - 1) / SC::kKeyTableBlock;
    return blocks * SC::kKeyTableBlock;
}

QByteArray CStrongSiteKeys::UnwrapContentKey(const QList<QByteArray>& entries, const QByteArray& secret,
                                             const QByteArray& salt, const QByteArray& run)
{
    const QByteArray lookupId = LookupId(secret, salt, run);
    const QByteArray wrapKey = SC::Hkdf(secret, salt, SC::kWrapKeyLabel, SC::kKeySize);
    for (const QByteArray& text : entries) {
        const QByteArray entry = QByteArray::fromBase64(text);
        if (entry.size() != SC::kEntrySize || !entry.startsWith(lookupId)) {
            continue;
        }
        QByteArray key;
        if (SC::Open(wrapKey, entry.mid(SC::kLookupIdSize, SC::kIvSize), WrapAad(salt),
                     entry.mid(SC::kLookupIdSize + SC::kIvSize), key)) {
            return key;
        }
    }
    return {};
}

std::shared_ptr<const CStrongSiteKeys> CStrongSiteKeys::Derive(const CProject& data, int threads,
                                                               QString* error, const Progress& progress)
{
    const auto fail = [error](const QString& text) {
        if (error) {
            *error = text;
        }
        return std::shared_ptr<const CStrongSiteKeys>();
    };
    if (data.m_baSalt.size() != SC::kSaltSize) {
        return fail(
            QStringLiteral("The project has no salt for the strong format (32 hex digits expected)."));
    }
    if (data.m_nKdfIterations < CProject::kMinKdfIterations ||
        data.m_nKdfIterations > CProject::kMaxKdfIterations) {
        return fail(QStringLiteral("The iteration count must lie between %1 and %2.")
                        .arg(CProject::kMinKdfIterations)
                        .arg(CProject::kMaxKdfIterations));
    }
    auto keys = std::make_shared<CStrongSiteKeys>();
    keys->m_nMode = data.m_nPasswordMode == CProject::kMultipleUsers ? CProject::kMultipleUsers
                                                                     : CProject::kSinglePassword;
    keys->m_nIterations = data.m_nKdfIterations;
    keys->m_salt = data.m_baSalt;

    if (keys->m_nMode == CProject::kSinglePassword) {
        const QByteArray secret = UserSecret(SC::CredentialBytes(data.m_strPassword, data.m_bPasswordCase),
                                             keys->m_salt, keys->m_nIterations);
        keys->m_contentKey = secret.isEmpty() ? QByteArray() : ContentKeyOf(secret, keys->m_salt);
        if (keys->m_contentKey.isEmpty()) {
            return fail(QStringLiteral("The key derivation failed."));
        }
        return keys;
    }

    // The project's own content key, so that files of different runs open
    // with one login; a project without one gets a key for this run.
    keys->m_contentKey =
        data.m_baContentKey.size() == SC::kKeySize ? data.m_baContentKey : SC::RandomBytes(SC::kKeySize);
    // A new value each run: no lookup id repeats between two runs, so two
    // deploys don't show which users stayed, came or went.
    keys->m_run = SC::RandomBytes(SC::kRunSize);
    if (keys->m_contentKey.isEmpty() || keys->m_run.isEmpty()) {
        return fail(QStringLiteral("The system's random source failed."));
    }
    const qsizetype count = data.m_listUsers.size();
    std::vector<QByteArray> entries(static_cast<size_t>(PaddedCount(count)));
    std::atomic<qsizetype> next{0};
    std::atomic<int> done{0};
    std::atomic<bool> failed{false};
    std::mutex progressMutex;
    const auto worker = [&]() {
        for (qsizetype i = next++; i < count; i = next++) {
            const CUserListNode& user = data.m_listUsers.at(i);
            const QByteArray input =
                SC::UserPairBytes(SC::CredentialBytes(user.m_strUserName, data.m_bUserNameCase),
                                  SC::CredentialBytes(user.m_strPassword, data.m_bPasswordCase));
            const QByteArray secret = UserSecret(input, keys->m_salt, keys->m_nIterations);
            const QByteArray lookupId = LookupId(secret, keys->m_salt, keys->m_run);
            const QByteArray wrapKey = SC::Hkdf(secret, keys->m_salt, SC::kWrapKeyLabel, SC::kKeySize);
            const QByteArray iv = SC::RandomBytes(SC::kIvSize);
            QByteArray sealed;
            if (secret.isEmpty() || lookupId.isEmpty() || wrapKey.isEmpty() || iv.isEmpty() ||
                !SC::Seal(wrapKey, iv, WrapAad(keys->m_salt), keys->m_contentKey.constData(),
                          keys->m_contentKey.size(), sealed)) {
                failed = true;
                return;
            }
            entries[size_t(i)] = QByteArray(lookupId + iv + sealed).toBase64();
            const int finished = ++done;
            if (progress) {
                std::lock_guard<std::mutex> lock(progressMutex);
                progress(finished, int(count));
            }
        }
    };
    const int workers = int(std::clamp<qsizetype>(qsizetype(threads), 1, qMax<qsizetype>(1, count)));
    std::vector<std::thread> pool;
    for (int i = 1; i < workers; ++i) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& t : pool) {
        t.join();
    }
    if (failed) {
        return fail(QStringLiteral("The key derivation failed."));
    }
    // The rest of the table is random bytes: a real entry (a derived id, a
    // random IV, a GCM output) can't be told from them, so the table shows
    // the number of users only to the nearest block.
    for (size_t i = size_t(count); i < entries.size(); ++i) {
        const QByteArray filler = SC::RandomBytes(SC::kEntrySize);
        if (filler.isEmpty()) {
            return fail(QStringLiteral("The system's random source failed."));
        }
        entries[i] = filler.toBase64();
    }
    // Random order: an entry's place says nothing about which user it is.
    for (qsizetype i = qsizetype(entries.size()) - 1; i > 0; --i) {
        std::swap(entries[size_t(i)], entries[size_t(RandomBelow(quint32(i + 1)))]);
    }
    keys->m_entries = QList<QByteArray>(entries.begin(), entries.end());
    return keys;
}
