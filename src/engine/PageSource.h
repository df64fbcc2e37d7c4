#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class CCharsetCodec;
class CPageSnapshot;
class CTextLineReader;

// The page a writer reads, every pass (the head, the charset check, the
// content) from the one descriptor it was opened with: from memory for a
// page of moderate size. Without a snapshot the file is opened by name.
class CPageSource final
{
public:
    // `snapshot` (may be null) must outlive the source; `charsetRow` is
    // the project's charset row (0: decided from the page).
    CPageSource(const QString& path, const CPageSnapshot* snapshot, int charsetRow);

    const QString& Path() const { return m_strPath; }
    // The page's bytes when they are in memory.
    const QByteArray* Contents() const;
    std::unique_ptr<CTextLineReader> Reader() const;
    // The converter for the page: a UTF-16 byte-order mark wins over every
    // other guess; "default" is UTF-8 when the whole page is valid UTF-8,
    // else Windows-1252, so that no byte is ever lost. Detecting rows look
    // at the page's start.
    std::unique_ptr<CCharsetCodec> Codec() const;

private:
    QString m_strPath;
    const CPageSnapshot* m_pSnapshot;
    int m_nCharsetRow;
};
