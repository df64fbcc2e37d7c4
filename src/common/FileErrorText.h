#pragma once

#include <QString>

// The framework-style texts for failures of opening, creating or writing a
// file, chosen from an errno value. %1 in each text is the full path.
namespace FileErrorText {

// "%1 was not found.", "Access to %1 was denied.", ... with the path filled
// in; an empty string when errno has no specific text (the caller then
// falls back to its generic message).
QString ForErrno(int errorCode, const QString& path);

inline QString UnexpectedFormat()
{
    return QStringLiteral("Unexpected file format.");
}
inline QString FailedToOpen()
{
    return QStringLiteral("Failed to open document.");
}
// A pipe, a device or a socket where a file is expected: such an input has
// no end to bound reading by, and opening it may wait for a writer.
inline QString NotRegularFile(const QString& path)
{
    return QStringLiteral("%1 is not a regular file.").arg(path);
}
inline QString FailedToSave()
{
    return QStringLiteral("Failed to save document.");
}

} // namespace FileErrorText
