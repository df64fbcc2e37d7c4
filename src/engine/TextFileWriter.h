#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes a protected page as a text file: every LF goes out as CR LF.
// Buffered; the first failure sticks and is reported by Close.
class CTextFileWriter final
{
public:
    explicit CTextFileWriter(const QString& path);
    ~CTextFileWriter();
    Q_DISABLE_COPY(CTextFileWriter)

    // Creates (or truncates) the file.
    bool Open();
    void Write(const QByteArray& bytes);
    void Write(const char* text) { Write(QByteArray::fromRawData(text, qsizetype(qstrlen(text)))); }
    // Flushes and closes; false when any write failed.
    bool Close();
    bool HasError() const { return m_bError; }

private:
    void Flush();

    QFile m_file;
    QByteArray m_buffer;
    bool m_bError = false;
};
