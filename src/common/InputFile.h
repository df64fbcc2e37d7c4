#pragma once

#include <QByteArray>
#include <QString>

// Reads a small input file whole (a JSON project, a user list, a files
// list): only a regular file, opened without blocking, so a pipe or a
// device named like one never hangs the program, and only up to a size
// that is sure to fit in memory.
namespace InputFile {

constexpr qint64 kDefaultLimit = 256LL * 1024 * 1024;

// False with a message naming the file on failure.
bool Read(const QString& path, QByteArray* contents, QString* errorMessage, qint64 limit = kDefaultLimit);

} // namespace InputFile
