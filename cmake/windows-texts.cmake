# The texts of the Windows package: the manual rendered as plain text and the
# README, both with CR LF line ends (cmake -P, from package-windows.cmake).
execute_process(
  COMMAND ${GROFF} -man -Tascii -P-c -P-b -P-o -P-u ${MANUAL}
  OUTPUT_VARIABLE manual
  RESULT_VARIABLE failed
  ERROR_VARIABLE warnings)
if(failed OR warnings)
  message(FATAL_ERROR "groff could not render ${MANUAL}: ${warnings}")
endif()
file(READ ${README} readme)
file(MAKE_DIRECTORY ${STAGE})
foreach(text manual readme)
  string(REPLACE "\r\n" "\n" ${text} "${${text}}")
  string(REPLACE "\n" "\r\n" ${text} "${${text}}")
endforeach()
file(WRITE ${STAGE}/vortex.txt "${manual}")
file(WRITE ${STAGE}/README.txt "${readme}")
