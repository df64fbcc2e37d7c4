#pragma once

#include <QString>
#include <functional>

// Named steps of a page's protection ("page-opened", "page-written", and
// in its commit "page-synced", "backup-renamed") at which tests change a
// page at a chosen moment. In the process itself through a hook; a child
// process is made to wait there instead through
// WENDLOCK_TEST_PAUSE="step:milliseconds".
class CStepHook final
{
public:
    using Hook = std::function<void(const char* step, const QString& path)>;

    static void Set(Hook hook);
    // Runs the hook, then waits when a test asks for it. With
    // WENDLOCK_TEST_PAUSE_SIGNAL=path the step creates that file, holding
    // the page's path, when it is reached and waits until the test removes
    // it (at most the given time).
    static void At(const char* step, const QString& path);
};
