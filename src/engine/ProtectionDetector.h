#pragma once

#include <QByteArray>
#include <QByteArrayView>

class CPageSnapshot;

// Tells a protected page by the structure every page writer produces: the
// error suppressor and the main script's first statement, then one
// format's content array. Line ends between them may be CR LF, LF or gone
// (a page that went through git's autocrlf, an FTP transfer in ASCII mode,
// `sed` or a minifier), and anything may follow the array, including text
// appended after the closing comment. A page that lost that opening still
// counts when it holds a content array and the closing comment. A page
// that merely quotes a marker is not protected.
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

    // The content arrays' openings, the markers a page of each kind carries:
    // the classic format's, and the end of the strong format's followed by
    // its format statement.
    static QByteArray ClassicMarker();
    static QByteArray StrongMarker();

    // A whole page at once; `markerAt` gets the marker's offset.
    static Kind Detect(QByteArrayView text, qint64* markerAt = nullptr);
    // An opened page: from memory when it is held there, else read in
    // blocks until the kind is known.
    static Kind Detect(const CPageSnapshot& page);

private:
    // A page whose opening was mangled beyond the writers' structure but
    // that still holds a content array and the closing comment is
    // protected too: its backup would otherwise be overwritten with it.
    static Kind LooseKind(QByteArrayView text, qint64* markerAt);
    Kind FeedLoose(QByteArrayView block);

    QByteArray m_looseCarry;
    qint64 m_nLooseOffset = 0;
    qint64 m_nLooseStrong = -1;
    qint64 m_nLooseClassic = -1;
    bool m_bLooseComment = false;
    QByteArray m_window;
    // Offset in the page of m_window's first byte.
    qint64 m_nWindowStart = 0;
    bool m_bOpened = false;
    qint64 m_nMarkerAt = -1;
};
