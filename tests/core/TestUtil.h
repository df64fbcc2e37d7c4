#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

// Small helpers shared by the core tests.
namespace TestUtil {

inline QByteArray Hex(const char* spaced)
{
    return QByteArray::fromHex(QByteArray(spaced).replace(' ', ""));
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets an environment variable for a scope and puts back what was there,
// unsetting it when it was unset, so a test run outside ctest keeps its
// own environment.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_bWasSet(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_bWasSet) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    bool m_bWasSet;
    QByteArray m_old;
};

// This boot's id as run temporaries carry it (hex, no dashes).
inline QByteArray BootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().replace('-', "") : QByteArray();
}

// A process id that is surely gone: a child that has been reaped.
inline qint64 DeadPid()
{
    QProcess child;
    child.start(QStringLiteral("true"), {});
    child.waitForFinished();
    return child.processId() > 0 ? child.processId() : 999999;
}

} // namespace TestUtil
