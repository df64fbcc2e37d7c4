# Writes a manual page from its configured template, putting the output of
# "CLI --help-roff PART" in place of each line ".\" CLI --help-roff PART",
# so the page carries the same texts as the program's --help.
# Variables: CLI (the program), IN (template), OUT (page).
file(READ ${IN} page)
foreach(part synopsis commands)
    execute_process(COMMAND ${CLI} --help-roff ${part}
        OUTPUT_VARIABLE roff RESULT_VARIABLE result)
    if(NOT result EQUAL 0 OR roff STREQUAL "")
        message(FATAL_ERROR "${CLI} --help-roff ${part} failed (${result})")
    endif()
    set(placeholder ".\\\" wendlock-cli --help-roff ${part}\n")
    string(FIND "${page}" "${placeholder}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${IN} has no line for the ${part} part")
    endif()
    string(REPLACE "${placeholder}" "${roff}" page "${page}")
endforeach()
file(WRITE ${OUT}.tmp "${page}")
file(RENAME ${OUT}.tmp ${OUT})
