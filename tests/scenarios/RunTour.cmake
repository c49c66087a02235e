# Runs the bundled tour as scripts/run does without a display: the tour ends well and its account for the
# terminal is short and tells what happened, however long the transcript.
file(REMOVE_RECURSE ${HOME})
execute_process(COMMAND ${SIM} --home ${HOME} ${SCENARIO} RESULT_VARIABLE status OUTPUT_FILE ${TRANSCRIPT}
    ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "exit status ${status}\n${errors}")
endif()
execute_process(COMMAND ${SUMMARISE} ${TRANSCRIPT} RESULT_VARIABLE status OUTPUT_VARIABLE account
    ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the account failed: ${errors}")
endif()
string(LENGTH "${account}" length)
string(REGEX MATCHALL "\n" newlines "${account}")
list(LENGTH newlines lines)
if(lines GREATER 15 OR length GREATER 2000)
    message(FATAL_ERROR "the account is ${lines} lines, ${length} characters:\n${account}")
endif()
foreach(pattern "copied: +[0-9]+ copies; 4 history entries: text «Привет, мир»" "chosen: «Привет, мир»"
                "pasted: +2 ⌘V" "captured: +1 area"
                "Скриншот 2026-01-01 в [0-9.]+png" "marks added: arrow, number" "expectation\\(s\\), 0 failed")
    if(NOT account MATCHES "${pattern}")
        message(FATAL_ERROR "the account does not say ${pattern}:\n${account}")
    endif()
endforeach()
