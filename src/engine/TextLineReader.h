#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

class CPageSnapshot;

// Reads a file as text the way the page rewriter needs it: CR LF becomes
// LF, and a line longer than 1023 bytes comes out as several pieces of at
// most 1023 bytes, each of which counts as a line of its own. Reads through
// a fixed buffer, so memory stays flat whatever the file size.
class CTextLineReader final
{
public:
    static constexpr int kMaxPiece = 1023;

    explicit CTextLineReader(const QString& path);
    // Reads `contents` (the file's bytes, already in memory) instead of the file.
    CTextLineReader(const QString& path, const QByteArray* contents);
    // Reads a page opened once for a whole run, from its own descriptor.
    explicit CTextLineReader(const CPageSnapshot& page);
    Q_DISABLE_COPY(CTextLineReader)

    bool Open();
    // The next piece, with its LF when the line ended within it. False at
    // the end of the file or on a read error (see HasError).
    bool ReadLine(QByteArray& line);
    // Raw bytes, without line handling, for charsets whose bytes cannot be
    // cut at LF. False at the end.
    bool ReadRaw(QByteArray& chunk, qint64 maxSize);
    bool HasError() const { return m_bError; }
    // True once every byte has been handed out.
    bool AtEnd() const { return m_bEof && m_pos >= m_buffer.size(); }

private:
    bool Fill();

    QFile m_file;
    const QByteArray* m_pContents = nullptr;
    const CPageSnapshot* m_pPage = nullptr;
    qint64 m_nOffset = 0;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_bEof = false;
    bool m_bError = false;
};
