#include "engine/StepHook.h"

#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <unistd.h>

namespace {

CStepHook::Hook& HookSlot()
{
    static CStepHook::Hook hook;
    return hook;
}

} // namespace

void CStepHook::Set(Hook hook)
{
    HookSlot() = std::move(hook);
}

void CStepHook::At(const char* step, const QString& path)
{
    if (const Hook& hook = HookSlot()) {
        hook(step, path);
    }
    static const QByteArray request = qgetenv("WENDLOCK_TEST_PAUSE");
    if (request.isEmpty()) {
        return;
    }
    const qsizetype colon = request.indexOf(':');
    if (colon <= 0 || request.left(colon) != step) {
        return;
    }
    const int ms = request.mid(colon + 1).toInt();
    const QString signal = qEnvironmentVariable("WENDLOCK_TEST_PAUSE_SIGNAL");
    // Written whole under another name first: the test reads it as soon
    // as it appears.
    QFile file(signal + QStringLiteral(".part"));
    if (signal.isEmpty() || !file.open(QIODevice::WriteOnly) || file.write(path.toUtf8()) < 0 ||
        (file.close(), ::rename(QFile::encodeName(file.fileName()).constData(),
                                QFile::encodeName(signal).constData()) != 0)) {
        ::usleep(useconds_t(ms) * 1000);
        return;
    }
    for (int waited = 0; waited < ms && QFile::exists(signal); waited += 10) {
        ::usleep(10000);
    }
}
