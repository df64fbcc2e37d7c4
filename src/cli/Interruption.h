#pragma once

#include <atomic>

// SIGINT and SIGTERM end a protect or restore run between pages instead of
// in the middle of one: the handler only records the signal, the run looks
// at it before each page, finishes the page in hand, prints what it did and
// exits with 128 + the signal's number. A second such signal ends the
// program at once (the pages are still whole: every write is a rename).
class CInterruption final
{
public:
    // Installs the handlers; call once, early in main.
    static void Install();
    // The signal caught, 0 while none was.
    static int Signal() { return s_signal.load(std::memory_order_relaxed); }
    bool operator()() const { return Signal() != 0; }
    // Records a signal as the handler does (for tests), or clears it (0).
    static void Set(int signal) { s_signal.store(signal, std::memory_order_relaxed); }
    // The exit code of a run ended by `signal`.
    static int ExitCode(int signal) { return 128 + signal; }

private:
    static void Handle(int signal);

    // Lock-free, so the handler may store into it.
    static std::atomic<int> s_signal;
    static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");
};
