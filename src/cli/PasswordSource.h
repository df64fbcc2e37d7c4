#pragma once

#include <QString>

class CCliContext;

// Where a command line's password comes from, besides the arguments: a
// file, or a line of standard input, so that it shows in neither `ps` nor
// the shell's history.
namespace PasswordSource {

// The first line of `bytes`, without its line end and without a UTF-8
// byte-order mark an editor may have put before it.
QString FirstLine(QByteArray bytes);

// The password of --password VALUE ("-": one line of the context's input,
// asked for without echo at a terminal) or of --password-file FILE (its
// first line). False, after saying why, when there is none or it is empty.
bool Read(const CCliContext& context, const QString& file, const QString& value, QString* password);

} // namespace PasswordSource
