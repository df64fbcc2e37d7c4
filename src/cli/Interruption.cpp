#include "cli/Interruption.h"

#include <csignal>
#include <initializer_list>

std::atomic<int> CInterruption::s_signal{0};

void CInterruption::Handle(int signal)
{
    s_signal.store(signal, std::memory_order_relaxed);
}

void CInterruption::Install()
{
    struct sigaction action
    {
    };
    action.sa_handler = &CInterruption::Handle;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the next SIGINT or SIGTERM has its default effect, for
    // a user who does not want to wait for the page in hand. SA_RESTART:
    // a read or write the signal cuts into goes on instead of failing the
    // page with EINTR.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM}) {
        // A signal ignored on entry stays ignored, as for any program: a
        // shell script's background jobs are not to stop at Ctrl-C.
        struct sigaction old
        {
        };
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) {
            continue;
        }
        ::sigaction(signal, &action, nullptr);
    }
}
