#include "files/ListFile.h"

#include "common/InputFile.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

bool IsUnstorable(QChar ch)
{
    return ch.unicode() > 0xFF || ch == QLatin1Char('\n') || ch == QLatin1Char('\r');
}

} // namespace

QStringList CListFile::Parse(const QByteArray& bytes)
{
    QStringList lines;
    const char* data = bytes.constData();
    const char* const end = data + bytes.size();
    while (data < end) {
        const void* found = std::memchr(data, '\n', static_cast<size_t>(end - data));
        const char* lineEnd = found ? static_cast<const char*>(found) : end;
        // Only ASCII white space is trimmed: U+00A0 and U+0085 are kept as
        // the characters of a path they are.
        const char* first = data;
        const char* last = lineEnd;
        while (first < last && IsBlank(*first)) {
            ++first;
        }
        while (last > first && IsBlank(last[-1])) {
            --last;
        }
        if (last > first) {
            lines.append(QString::fromLatin1(first, last - first));
        }
        data = lineEnd + 1;
    }
    return lines;
}

bool CListFile::Read(const QString& path, QStringList& lines, QString* errorMessage)
{
    QByteArray bytes;
    if (!InputFile::Read(path, &bytes, nullptr)) {
        if (errorMessage) {
            *errorMessage = ReadFailureMessage(path);
        }
        return false;
    }
    lines = Parse(bytes);
    return true;
}

qsizetype CListFile::FindUnstorable(const QStringList& lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        for (const QChar ch : lines.at(i)) {
            if (IsUnstorable(ch)) {
                return i;
            }
        }
    }
    return -1;
}

QByteArray CListFile::Encode(const QStringList& lines)
{
    qsizetype size = 0;
    for (const QString& line : lines) {
        size += line.size() + 2;
    }
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString& line : lines) {
        bytes += line.toLatin1();
        bytes += "\r\n";
    }
    return bytes;
}

bool CListFile::Write(const QString& path, const QStringList& lines, QString* errorMessage)
{
    const qsizetype bad = FindUnstorable(lines);
    if (bad >= 0) {
        if (errorMessage) {
            *errorMessage = UnstorableMessage(path, lines.at(bad));
        }
        return false;
    }
    QSaveFile file(path);
    const QByteArray bytes = Encode(lines);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorMessage) {
            *errorMessage = CreateFailureMessage(path);
        }
        return false;
    }
    return true;
}

QString CListFile::ReadFailureMessage(const QString& path)
{
    return QStringLiteral("Open file \"%1\" for read failure! Please try again later.").arg(path);
}

QString CListFile::CreateFailureMessage(const QString& path)
{
    return QStringLiteral("Create file \"%1\" for write failure! Make sure you have right to write the file.")
        .arg(path);
}

QString CListFile::UnstorableMessage(const QString& path, const QString& entry)
{
    QString what;
    for (qsizetype i = 0; i < entry.size() && what.isEmpty(); ++i) {
        const QChar ch = entry.at(i);
        if (ch == QLatin1Char('\n') || ch == QLatin1Char('\r')) {
            what = QStringLiteral("a line break");
        } else if (ch.unicode() > 0xFF) {
            // A character outside the BMP is two UTF-16 units; name it whole.
            const bool pair =
                ch.isHighSurrogate() && i + 1 < entry.size() && entry.at(i + 1).isLowSurrogate();
            const char32_t code = pair ? QChar::surrogateToUcs4(ch, entry.at(i + 1)) : ch.unicode();
            what = QStringLiteral("the character \"%1\" (U+%2)")
                       .arg(QString::fromUcs4(&code, 1), QString::number(static_cast<uint>(code), 16)
                                                             .toUpper()
                                                             .rightJustified(4, QLatin1Char('0')));
        }
    }
    return QStringLiteral("Cannot write \"%1\": the entry \"%2\" holds %3, which this list file cannot store "
                          "(it holds only characters up to U+00FF, one entry per line). Nothing was written.")
        .arg(path, entry, what);
}
