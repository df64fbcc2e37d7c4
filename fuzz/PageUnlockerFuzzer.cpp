// The page unlocker (wendlock-cli unlock) on arbitrary page bytes, read as a
// protected page for one password or one user. It must answer with a status
// and never read outside the page, however damaged the arrays are.
#include "FuzzUtil.h"
#include "engine/PageUnlocker.h"

#include <QBuffer>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString page = FuzzUtil::ScratchFolder() + QStringLiteral("protected.htm");
    FUZZ_CHECK(FuzzUtil::WriteFile(page, FuzzUtil::Bytes(data, size)));
    for (const QString& user : {QString(), QStringLiteral("ann")}) {
        QByteArray text;
        QBuffer buffer(&text);
        buffer.open(QIODevice::WriteOnly);
        const CPageUnlocker::Status status =
            CPageUnlocker::Unlock(page, user, QStringLiteral("secret"), &buffer);
        FUZZ_CHECK(status != CPageUnlocker::Status::ReadError && status != CPageUnlocker::Status::WriteError);
        FUZZ_CHECK(status == CPageUnlocker::Status::Ok || text.isEmpty());
        FUZZ_CHECK(!CPageUnlocker::StatusText(status, page).isEmpty() || status == CPageUnlocker::Status::Ok);
    }
    return 0;
}
