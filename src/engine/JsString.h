#pragma once

#include <QString>
#include <QStringView>

// Escaping of user texts that the engine places between the double quotes
// of a script statement (alert text, redirect URL and target, lock URLs).
namespace JsString {

// The body of a JavaScript string literal whose value is exactly `text`.
// The result is pure ASCII: backslash and both quotes are escaped, control
// characters, line ends and every non-ASCII unit become \uXXXX, and '<' and
// '>' become \u003C and \u003E so that neither "</script>" nor "<!--" can
// end or disturb the surrounding script element.
QString EscapeBody(QStringView text);

} // namespace JsString
