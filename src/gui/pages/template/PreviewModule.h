#pragma once

#include <QStringList>

class IPreviewBackendFactory;

// Finds and loads the module that holds the web engine's preview browser,
// once per process: the program does not link the engine, whose start-up
// alone (its shared OpenGL context) costs more memory than the rest of the
// window, so a session pays for it only when it shows the preview.
class CPreviewModule final
{
public:
    // The module's factory, or nullptr when it cannot be loaded; the reason
    // is logged the first time.
    static IPreviewBackendFactory* Factory();
    // The files tried, in order: beside the program, then in the folder the
    // install rules put it in. Empty when the build made no module.
    static QStringList Candidates();
};
