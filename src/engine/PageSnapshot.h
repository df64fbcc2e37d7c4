#pragma once

#include <QByteArray>
#include <QString>
#include <sys/stat.h>

// One page as a protect run sees it: opened once, without blocking, and
// read from that one descriptor for every pass (the marker test, the
// backup, the charset check, the head and the content), so all of them see
// the same file. A page of moderate size is held in memory; a larger one is
// read again from the descriptor for each pass, keeping memory flat. Its
// identity and times are kept from the moment it was opened, so that a page
// that an editor or a generator changed in the meantime is told apart
// before anything is put in its place.
class CPageSnapshot final
{
public:
    static constexpr qint64 kMaxInMemory = 8 * 1024 * 1024;

    CPageSnapshot() = default;
    ~CPageSnapshot();
    CPageSnapshot(const CPageSnapshot&) = delete;
    CPageSnapshot& operator=(const CPageSnapshot&) = delete;

    // Opens the page (through a link, as the run writes it). False with
    // Error() set when it can't be opened or read; a page that is not a
    // regular file is opened but holds nothing (see IsRegular).
    bool Open(const QString& path, qint64 maxInMemory = kMaxInMemory);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    const QString& Path() const { return m_strPath; }
    bool IsRegular() const { return IsOpen() && S_ISREG(m_stat.st_mode); }
    const struct stat& Status() const { return m_stat; }
    int Error() const { return m_nError; }

    // The page's bytes when it is held in memory, else null.
    const QByteArray* Contents() const { return m_bHeld ? &m_contents : nullptr; }
    qint64 Size() const { return qint64(m_stat.st_size); }
    // Reads from the descriptor at `offset`, whatever other passes read;
    // -1 on a read error.
    qint64 ReadAt(qint64 offset, char* data, qint64 size) const;
    // Streams the whole page through `sink` from the start; false on a
    // read error or when the sink says stop.
    template <typename Sink>
    bool ReadAll(Sink&& sink) const
    {
        if (const QByteArray* held = Contents()) {
            return sink(held->constData(), qint64(held->size()));
        }
        QByteArray block(256 * 1024, Qt::Uninitialized);
        for (qint64 offset = 0;;) {
            const qint64 n = ReadAt(offset, block.data(), block.size());
            if (n < 0) {
                return false;
            }
            if (n == 0) {
                return true;
            }
            if (!sink(block.constData(), n)) {
                return false;
            }
            offset += n;
        }
    }

    // Gives the memory of a held page back; later passes read from the
    // descriptor, and Changed() still tells an edit.
    void DropContents();

    // Whether the name now leads to another file, or the file's size,
    // modification or change time differ from when it was opened: someone
    // wrote it, replaced it or renamed another file over it.
    bool Changed() const;

private:
    QString m_strPath;
    int m_fd = -1;
    struct stat m_stat
    {
    };
    QByteArray m_contents;
    bool m_bHeld = false;
    int m_nError = 0;
};
