#pragma once

#include <QString>

// n characters from "0-9a-zA-Z", drawn from the system's secure random source.
// Used for page secrets and generated passwords, so it must not be
// predictable (a clock-seeded generator would make every secret guessable).
QString RandomString(int n);
