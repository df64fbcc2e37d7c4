# Builds a login script: the script's wendlock.js with each include line
# ("  // @include NAME.js", NAME relative to the Script folder) replaced by
# that part, so every protected page still carries one self-contained script.
# Parts named npm/NAME.js come from BUNDLED (made by tools/minify/bundle.mjs).
#   cmake -DIN=mode/wendlock.js -DPARTS=Script -DBUNDLED=dir -DOUT=... -P AssembleLoginScript.cmake
file(READ "${IN}" text)
string(REGEX MATCHALL "  // @include [A-Za-z0-9_./-]+\n" lines "${text}")
if(NOT lines)
    message(FATAL_ERROR "${IN} has no '// @include NAME.js' line")
endif()
foreach(line ${lines})
    string(REGEX REPLACE "^  // @include ([A-Za-z0-9_./-]+)\n$" "\\1" name "${line}")
    set(from "${PARTS}")
    if(name MATCHES "^npm/")
        set(from "${BUNDLED}")
    endif()
    if(NOT EXISTS "${from}/${name}")
        message(FATAL_ERROR "${IN} includes ${name}, which is not in ${from}")
    endif()
    file(READ "${from}/${name}" part)
    string(REPLACE "${line}" "${part}" text "${text}")
endforeach()
file(WRITE "${OUT}" "${text}")
