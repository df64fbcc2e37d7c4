#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Writes a protected page as a text file: every LF goes out as CR LF.
// Buffered; the first failure sticks and is reported by Close.
class CTextFileWriter final
{
public:
    explicit CTextFileWriter(const QString& path);
    ~CTextFileWriter();
    Q_DISABLE_COPY(CTextFileWriter)

    // Creates (or truncates) the file with the given permission bits.
    bool Open(mode_t mode = 0644);
    void Write(const QByteArray& bytes);
    void Write(const char* text) { Write(QByteArray::fromRawData(text, qsizetype(qstrlen(text)))); }
    // Flushes and closes; false when any write failed.
    bool Close();
    bool HasError() const { return m_bError; }

private:
    void Flush();

    QByteArray m_path;
    int m_fd = -1;
    QByteArray m_buffer;
    bool m_bError = false;
};
