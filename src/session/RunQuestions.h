#pragma once

#include <QString>
#include <functional>

// The questions a run asks while it goes, answered by the front end: the
// command line from its flags, the window by asking the user. They are
// asked on the worker thread that met the page; that worker alone waits
// for the answer, the others go on.
class IRunQuestions
{
public:
    enum class Answer
    {
        Yes,
        YesToAll,
        No,
        NoToAll,
        // Ends the run: the page asked about and those not reached yet are
        // not processed.
        Cancel
    };
    // Gives the answer; may be called from any thread, at once or later.
    // Only the first call counts.
    using Reply = std::function<void(Answer)>;

    virtual ~IRunQuestions() = default;
    // A listed page is protected already: restore its backup first and
    // protect it again? The run asks one question at a time, and none after
    // an answer "to All".
    virtual void AskRestoreFirst(const QString& path, Reply reply) = 0;
};
