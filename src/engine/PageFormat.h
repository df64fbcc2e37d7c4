#pragma once

#include "engine/ProtectOutcome.h"
#include "engine/ProtectionDetector.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

class CPageSource;
class CProject;
class CRunFiles;
class CTextFileWriter;

// A page format: what a protected page carries in its main script element
// (the login variables, the page's text in the format's form, the login
// script), and how such a page is read back with a password. The page
// around it (the head, the error suppressor, the login body and the
// closing comment) is the engine's and the same for every format.
// One object serves a whole run; the engines of the run's threads share it.
// CPageFormats makes them and knows them all.
class CPageFormat
{
public:
    using Kind = CProtectionDetector::Kind;
    // Why a page could not be written: its outcome and the detail its
    // result text carries.
    struct Failure
    {
        ProtectOutcome outcome;
        QString detail;
    };

    // How reading a page back with a password ended.
    enum class UnlockStatus
    {
        Ok,
        NotProtected,
        Malformed,
        NeedUserName,
        WrongCredentials,
        // The credentials are confirmed, yet the content does not open.
        Damaged,
        ReadError,
        WriteError
    };

    virtual ~CPageFormat() = default;
    CPageFormat(const CPageFormat&) = delete;
    CPageFormat& operator=(const CPageFormat&) = delete;

    // The kind of page this format writes, as the detector tells it.
    virtual Kind Writes() const = 0;
    // What every page needs before the first is written (the strong
    // format's keys); asked before each page, done once. Safe to call
    // from several threads.
    virtual std::optional<Failure> Prepare() = 0;
    // Writes the main script element's statements for one page.
    virtual std::optional<Failure> WriteScript(const CPageSource& page, CRunFiles& files,
                                               CTextFileWriter& out) = 0;
    // The login script file the pages carry (looked up when the format is
    // made).
    virtual QString LoginScript() const = 0;
    // Prepares a page's text ahead of its turn without writing anything,
    // while the run's keys are still being derived; false when the format
    // prepares nothing or the page is not taken.
    virtual bool PrepareAhead(const CPageSource& page);

    // The value of `var NAME=value;` in the statements before `before`.
    static QByteArrayView StatementValue(QByteArrayView text, const char* name, qsizetype before);

protected:
    explicit CPageFormat(const CProject& project) : m_project(project) {}
    // The hardening block that goes into the page's text for after login,
    // or nothing.
    QString AfterLoginBlock() const;

    const CProject& m_project;
};
