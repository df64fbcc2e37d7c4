#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The help of wendlock-cli's commands, kept in one place: `COMMAND --help`
// prints it as text and the manual page is generated from it as roff, so
// the two never drift apart.
class CCliHelp
{
public:
    struct Option
    {
        QString names; // as typed, with the value's placeholder
        QString text;  // one sentence
    };
    struct Command
    {
        QString name;
        QStringList usage; // the usage lines, without "Usage: "
        QString summary;
        std::vector<Option> options;
        QStringList examples;
    };

    static const std::vector<Command>& Commands();
    // `COMMAND --help`: usage, what it does, every option, the examples and
    // for protect the keys --set takes. Empty for an unknown command.
    static QString Text(const QString& command);
    // Every command's usage lines and what it does, for the program's
    // own --help.
    static QString Overview();
    // The keys of the project's JSON form with their values, defaults and
    // meaning, one per line.
    static QString KeysText();
    // The meaning of a project key in a few words; empty if it has none.
    static QString KeyMeaning(const QString& key);
    // The manual page's parts: "synopsis" or "commands" (the commands with
    // their options and examples, then the project keys).
    static QString Roff(const QString& part);
};
