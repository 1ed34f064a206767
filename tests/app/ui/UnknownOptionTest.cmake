# quillon --bogus: the unknown option and the usage on standard error, exit status 2, and no
# window (the display is taken away, so a program that tried to start would fail otherwise).
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${PROGRAM} --bogus
  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 2)
  message(FATAL_ERROR "exit status ${status}, expected 2; stderr: ${err}")
endif()
if(NOT err MATCHES "unknown option '--bogus'" OR NOT err MATCHES "Usage: quillon")
  message(FATAL_ERROR "stderr lacks the option or the usage: ${err}")
endif()
if(NOT out STREQUAL "")
  message(FATAL_ERROR "nothing belongs on standard output: ${out}")
endif()
