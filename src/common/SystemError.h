#pragma once

#include <QString>

// The system's message text for an error number (errno), as the system
// words it. Failure messages append it after "\n".
QString GetSystemErrorText(int errorCode);
