# The texts of the Windows package, written for vortex.exe's users: the manual
# rendered as plain text with the Windows register set (-rW1: vortex.exe's
# statuses, examples and limits) and the package's README with the version
# filled in, both with CR LF line ends (cmake -P, from package-windows.cmake).
cmake_minimum_required(VERSION 3.25)
execute_process(
  COMMAND ${GROFF} -man -rW1 -Tascii -P-c -P-b -P-o -P-u ${MANUAL}
  OUTPUT_VARIABLE manual
  RESULT_VARIABLE failed
  ERROR_VARIABLE warnings)
if(failed OR warnings)
  message(FATAL_ERROR "groff could not render ${MANUAL}: ${warnings}")
endif()
file(READ ${README} readme)
string(CONFIGURE "${readme}" readme @ONLY)
file(MAKE_DIRECTORY ${STAGE})
foreach(text manual readme)
  string(REPLACE "\r\n" "\n" ${text} "${${text}}")
  string(REPLACE "\n" "\r\n" ${text} "${${text}}")
endforeach()
file(WRITE ${STAGE}/vortex.txt "${manual}")
file(WRITE ${STAGE}/README.txt "${readme}")
