#include "common/SystemError.h"

#include <cstring>

QString GetSystemErrorText(int errorCode)
{
    // The GNU strerror_r returns a pointer that may or may not be the buffer.
    char buffer[256] = {};
    const char* text = strerror_r(errorCode, buffer, sizeof(buffer));
    return QString::fromLocal8Bit(text);
}
