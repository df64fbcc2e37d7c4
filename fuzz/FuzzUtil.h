#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

// Shared by the fuzz targets. A failed check prints what broke and aborts,
// which libFuzzer reports as a crash and saves the input that caused it.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);               \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace FuzzUtil {

// A folder for the files one target writes, in memory where the system
// offers a tmpfs, so that thousands of runs a second don't wear a disk.
// Made on first use and removed when the fuzzer exits.
inline QString ScratchFolder()
{
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QString base =
            QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        auto made = std::make_unique<QTemporaryDir>(base + QStringLiteral("/wendlock-fuzz-XXXXXX"));
        FUZZ_CHECK(made->isValid());
        return made;
    }();
    return dir->path() + QLatin1Char('/');
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray Bytes(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

// UTF-16 text straight from fuzz bytes, two bytes a unit (little-endian), so
// that NUL, lone surrogates and every other unit can occur.
inline QString Utf16(const QByteArray& bytes)
{
    QString text;
    text.reserve(bytes.size() / 2);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        text.append(QChar(char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8))));
    }
    return text;
}

} // namespace FuzzUtil
