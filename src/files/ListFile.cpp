#include "files/ListFile.h"

#include "common/InputFile.h"
#include "model/ListFileText.h"

#include <QFile>
#include <QSaveFile>

namespace {

bool IsBlank(QChar ch)
{
    const char16_t c = ch.unicode();
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsUnstorable(QChar ch)
{
    return ch == QLatin1Char('\n') || ch == QLatin1Char('\r');
}

} // namespace

QStringList CListFile::Parse(const QByteArray& bytes)
{
    QStringList lines;
    const QString text = ListFileText::Decode(bytes);
    const QStringView all(text);
    qsizetype pos = 0;
    while (pos < all.size()) {
        qsizetype lineEnd = all.indexOf(QLatin1Char('\n'), pos);
        if (lineEnd < 0) {
            lineEnd = all.size();
        }
        // Only ASCII white space is trimmed: U+00A0 and U+0085 are kept as
        // the characters of a path they are.
        qsizetype first = pos;
        qsizetype last = lineEnd;
        while (first < last && IsBlank(all.at(first))) {
            ++first;
        }
        while (last > first && IsBlank(all.at(last - 1))) {
            --last;
        }
        if (last > first) {
            lines.append(all.mid(first, last - first).toString());
        }
        pos = lineEnd + 1;
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
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return ListFileText::Encode(text);
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
    return QStringLiteral("Cannot write \"%1\": the entry \"%2\" holds a line break, which this list file "
                          "cannot store (it holds one entry per line). Nothing was written.")
        .arg(path, entry);
}
