#include "engine/ProtectionDetector.h"

#include "engine/PageSnapshot.h"

namespace {

const QByteArrayView kSuppressor("window.onerror=KillError;</SCRIPT>");
const QByteArrayView kScriptOpen("<SCRIPT type=\"text/javascript\">");
const QByteArrayView kFirstStatement("var LoginExpireType=");
const QByteArrayView kClassicMarker("var vxpa=new Array(\"");
const QByteArrayView kStrongMarker("\"];var vxsv=[1,");

enum class Match
{
    Yes,
    No,
    NeedMore
};

const QByteArrayView kClosingComment("<!-- Protected by Wendlock ");

// Between the opening's parts: the writers' line breaks, turned into LF,
// doubled or taken out by tools that touch line ends or minify.
bool IsSpace(char c)
{
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

// Whether `text` holds `part` at `at`, or may once more bytes come.
Match MatchAt(QByteArrayView text, qsizetype at, QByteArrayView part)
{
    const qsizetype available = qMin(text.size() - at, part.size());
    if (text.sliced(at, available) != part.first(available)) {
        return Match::No;
    }
    return available == part.size() ? Match::Yes : Match::NeedMore;
}

// The opening at `at` (the suppressor's position): suppressor, line
// break, script tag, line break, first statement. `end` gets the offset
// after it.
Match MatchOpening(QByteArrayView text, qsizetype at, qsizetype& end)
{
    qsizetype pos = at;
    const QByteArrayView parts[] = {kSuppressor, kScriptOpen, kFirstStatement};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            while (pos < text.size() && IsSpace(text[pos])) {
                ++pos;
            }
            if (pos == text.size()) {
                return Match::NeedMore;
            }
        }
        const Match m = MatchAt(text, pos, parts[i]);
        if (m != Match::Yes) {
            return m;
        }
        pos += parts[i].size();
    }
    end = pos;
    return Match::Yes;
}

} // namespace

CProtectionDetector::Kind CProtectionDetector::Feed(QByteArrayView block)
{
    const Kind loose = FeedLoose(block);
    if (loose != Kind::None) {
        return loose;
    }
    m_window.append(block.data(), block.size());
    if (!m_bOpened) {
        qsizetype from = 0;
        while (true) {
            const qsizetype at = QByteArrayView(m_window).indexOf(kSuppressor, from);
            if (at < 0) {
                // Keep what may be the start of a suppressor.
                const qsizetype keep = qMin<qsizetype>(m_window.size(), kSuppressor.size() - 1);
                m_nWindowStart += m_window.size() - keep;
                m_window = m_window.right(keep);
                return Kind::None;
            }
            qsizetype end = 0;
            const Match m = MatchOpening(QByteArrayView(m_window), at, end);
            if (m == Match::NeedMore) {
                m_nWindowStart += at;
                m_window.remove(0, at);
                return Kind::None;
            }
            if (m == Match::Yes) {
                m_bOpened = true;
                m_nWindowStart += end;
                m_window.remove(0, end);
                break;
            }
            from = at + 1;
        }
    }
    const qsizetype c = QByteArrayView(m_window).indexOf(kClassicMarker);
    const qsizetype s = QByteArrayView(m_window).indexOf(kStrongMarker);
    if (c >= 0 && (s < 0 || c < s)) {
        m_nMarkerAt = m_nWindowStart + c;
        return Kind::Classic;
    }
    if (s >= 0) {
        m_nMarkerAt = m_nWindowStart + s;
        return Kind::Strong;
    }
    const qsizetype keep = qMax(kClassicMarker.size(), kStrongMarker.size()) - 1;
    if (m_window.size() > keep) {
        m_nWindowStart += m_window.size() - keep;
        m_window = m_window.right(keep);
    }
    return Kind::None;
}

CProtectionDetector::Kind CProtectionDetector::Detect(QByteArrayView text, qint64* markerAt)
{
    // The same search as Feed, on text in memory without copying it.
    if (markerAt) {
        *markerAt = -1;
    }
    qsizetype end = -1;
    for (qsizetype at = text.indexOf(kSuppressor); at >= 0; at = text.indexOf(kSuppressor, at + 1)) {
        if (MatchOpening(text, at, end) == Match::Yes) {
            break;
        }
        end = -1;
    }
    if (end < 0) {
        return LooseKind(text, markerAt);
    }
    const qsizetype c = text.indexOf(kClassicMarker, end);
    const qsizetype s = c < 0 ? text.indexOf(kStrongMarker, end) : text.first(c).indexOf(kStrongMarker, end);
    if (s < 0 && c < 0) {
        return LooseKind(text, markerAt);
    }
    if (markerAt) {
        *markerAt = s >= 0 ? s : c;
    }
    return s >= 0 ? Kind::Strong : Kind::Classic;
}

CProtectionDetector::Kind CProtectionDetector::LooseKind(QByteArrayView text, qint64* markerAt)
{
    if (text.indexOf(kClosingComment) < 0) {
        return Kind::None;
    }
    const qsizetype s = text.indexOf(kStrongMarker);
    const qsizetype c = s >= 0 ? -1 : text.indexOf(kClassicMarker);
    if (markerAt) {
        *markerAt = s >= 0 ? s : c;
    }
    return s >= 0 ? Kind::Strong : (c >= 0 ? Kind::Classic : Kind::None);
}

CProtectionDetector::Kind CProtectionDetector::FeedLoose(QByteArrayView block)
{
    // Searched in the carried end of the last block and this one, so that a
    // text cut between blocks is found.
    QByteArray joined = m_looseCarry;
    joined.append(block.data(), block.size());
    const QByteArrayView view(joined);
    const qint64 start = m_nLooseOffset - m_looseCarry.size();
    if (m_nLooseStrong < 0) {
        const qsizetype s = view.indexOf(kStrongMarker);
        m_nLooseStrong = s < 0 ? -1 : start + s;
    }
    if (m_nLooseClassic < 0) {
        const qsizetype c = view.indexOf(kClassicMarker);
        m_nLooseClassic = c < 0 ? -1 : start + c;
    }
    m_bLooseComment = m_bLooseComment || view.indexOf(kClosingComment) >= 0;
    m_nLooseOffset += block.size();
    m_looseCarry = joined.right(qMax(kStrongMarker.size(), kClosingComment.size()) - 1);
    if (!m_bLooseComment || (m_nLooseStrong < 0 && m_nLooseClassic < 0)) {
        return Kind::None;
    }
    m_nMarkerAt = m_nLooseStrong >= 0 ? m_nLooseStrong : m_nLooseClassic;
    return m_nLooseStrong >= 0 ? Kind::Strong : Kind::Classic;
}

CProtectionDetector::Kind CProtectionDetector::Detect(const CPageSnapshot& page)
{
    if (const QByteArray* held = page.Contents()) {
        return Detect(QByteArrayView(*held));
    }
    CProtectionDetector detector;
    Kind kind = Kind::None;
    page.ReadAll([&](const char* data, qint64 size) {
        kind = detector.Feed(QByteArrayView(data, qsizetype(size)));
        return kind == Kind::None;
    });
    return kind;
}

QByteArray CProtectionDetector::ClassicMarker()
{
    return kClassicMarker.toByteArray();
}

QByteArray CProtectionDetector::StrongMarker()
{
    return kStrongMarker.toByteArray();
}
