#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Tells a protected page by the structure every page writer produces: the
// error suppressor and the main script's first statement, then one
// format's content array. Line ends between them may be CR LF or LF (a
// page that went through git's autocrlf, an FTP transfer in ASCII mode or
// `sed`), and anything may follow the array, including text appended after
// the closing comment; a page that merely quotes a marker is not protected.
// The page rewriter's detection and the unlocker both use it. Fed in
// blocks, so a large page is read piece by piece.
class CProtectionDetector final
{
public:
    enum class Kind
    {
        None,
        Classic,
        Strong
    };

    // Feeds the next block of the page; the kind once it is known, None
    // until then.
    Kind Feed(QByteArrayView block);
    // Where in the text fed so far the content array's marker starts (valid
    // once Feed gave a kind).
    qint64 MarkerOffset() const { return m_nMarkerAt; }

    // A whole page at once; `markerAt` gets the marker's offset.
    static Kind Detect(QByteArrayView text, qint64* markerAt = nullptr);

private:
    QByteArray m_window;
    // Offset in the page of m_window's first byte.
    qint64 m_nWindowStart = 0;
    bool m_bOpened = false;
    qint64 m_nMarkerAt = -1;
};
