#pragma once

#include "common/AtomicFile.h"

#include <QByteArray>
#include <QString>
#include <sys/types.h>

// Writes a protected page as a text file: every LF goes out as CR LF.
// The text goes into a temporary file beside the page, which replaces the
// page only on Commit. Buffered; the first failure sticks.
class CTextFileWriter final
{
public:
    explicit CTextFileWriter(const QString& path);
    Q_DISABLE_COPY(CTextFileWriter)

    // A link at the target's name is replaced, not written through.
    void SetReplaceLinks(bool replace) { m_file.SetReplaceLinks(replace); }
    // Creates the temporary file (the page's mode, owner and group kept).
    bool Open(mode_t mode = 0644);
    // The page's extended attributes (ACLs, labels, user.*) onto the new text.
    int CopyExtendedAttributes(const QString& from) { return m_file.CopyExtendedAttributes(from); }
    void Write(const QByteArray& bytes);
    void Write(const char* text) { Write(QByteArray::fromRawData(text, qsizetype(qstrlen(text)))); }
    // Text already converted (its LFs are CR LF, or it has none): as it is.
    void WriteConverted(const QByteArray& bytes);
    // The standard, padded Base64 of `size` bytes (it holds no LF).
    void WriteBase64(const char* data, qsizetype size);
    // Flushes and puts the new text in place of the page; false when any
    // write or the rename failed (then nothing is left behind).
    bool Commit(bool sync = false);
    // Writes what is buffered and starts writing the file out to the disk.
    void StartWriteback();
    // Writes what is buffered and gives the buffer's memory back: for a
    // page that waits, written, for its commit. False after a write error.
    bool Finish();
    // The file underneath, for syncing it and telling its size once
    // Finish()ed; the text is put in place through Commit.
    CAtomicFile& File() { return m_file; }
    // Drops the new text.
    void Discard() { m_file.Discard(); }
    bool HasError() const { return m_bError; }
    int Error() const { return m_file.Error(); }

private:
    void Flush();

    CAtomicFile m_file;
    QByteArray m_buffer;
    bool m_bError = false;
};
