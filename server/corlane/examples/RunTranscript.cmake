# Runs PROGRAM with ARGS over the lines of INPUT, writes its standard output
# to OUTPUT_DIR/transcript.txt (standard error, the log, beside it) and fails
# unless the program exits with 0 and the transcript equals EXPECTED.
execute_process(COMMAND ${PROGRAM} ${ARGS}
                INPUT_FILE ${INPUT}
                OUTPUT_FILE ${OUTPUT_DIR}/transcript.txt
                ERROR_FILE ${OUTPUT_DIR}/transcript.log
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} exited with ${status}; its log is ${OUTPUT_DIR}/transcript.log")
endif()
execute_process(COMMAND diff -u ${EXPECTED} ${OUTPUT_DIR}/transcript.txt RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR "the transcript differs from ${EXPECTED}")
endif()
