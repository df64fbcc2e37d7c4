#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class CProject;

// The JSON form of a project, used by `show` and `convert`. Keys come in
// record order; ints and flags are JSON numbers.
class CProjectJson
{
public:
    static QByteArray ToJson(const CProject& data, const QString& version);
    // Parses a JSON project into `data`, starting from New Project values:
    // missing keys keep their defaults, "version" is ignored. An unknown key,
    // a value of the wrong type or out of its range fails with a message
    // naming the key, and leaves `data` untouched.
    static bool FromJson(const QByteArray& json, CProject& data, QString* errorMessage);
    // Sets one key from a text value, as `--set KEY=VALUE` does. Strings
    // take the text as is, numbers must parse; list keys cannot be set.
    static bool SetValue(CProject& data, const QString& key, const QString& value, QString* errorMessage);

    // One key of the JSON form as the help describes it: the values it
    // takes, its New Project default and whether --set can change it.
    struct KeyInfo
    {
        QString key;
        QString values;
        QString defaultValue;
        bool settable = true;
    };
    // Every key, in record order.
    static QList<KeyInfo> Keys();
};
