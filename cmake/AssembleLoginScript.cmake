# Builds a mode's login script: the mode's wendlock.js with its include
# line replaced by the part both modes share.
#   cmake -DIN=mode/wendlock.js -DCOMMON=common.js -DOUT=... -P AssembleLoginScript.cmake
file(READ "${IN}" text)
file(READ "${COMMON}" common)
string(FIND "${text}" "  // @include common.js\n" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${IN} has no '// @include common.js' line")
endif()
string(REPLACE "  // @include common.js\n" "${common}" text "${text}")
file(WRITE "${OUT}" "${text}")
