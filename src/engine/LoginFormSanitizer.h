#pragma once

#include <QByteArray>

// Makes a login page's body safe to publish, whatever template it comes
// from: with JavaScript off a form would send the typed name and password
// to the server (or wherever its action points). Fields lose their name
// attributes (a field without a name is never submitted), forms and submit
// buttons lose every attribute that says where and how to submit, and a
// form's action becomes a javascript: address, which goes nowhere when
// scripts are off and is never followed when the login script runs. A
// <noscript> line right after the body's start tag tells such a visitor
// why nothing happens.
class CLoginFormSanitizer final
{
public:
    // The body text (from its "<body" on) with the changes above; comments,
    // scripts, style sheets and text stay byte for byte.
    static QByteArray Sanitize(const QByteArray& body);

    static QByteArray NoScriptLine();
};
