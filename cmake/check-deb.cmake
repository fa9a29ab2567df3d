# Run by CPack before it makes the Debian package (CPACK_PRE_BUILD_SCRIPTS). A program linked
# against the shared run-time libraries gets its dependencies from dpkg-shlibdeps, which finds
# them among the installed packages of the program's architecture. For another architecture than
# the building machine's, those are installed only on request; without them dpkg-shlibdeps fails,
# or, for i386 on amd64, takes the host's 32-bit compatibility libraries and names their packages,
# which an i386 system does not have. So the target's packages must be there.
if(NOT CPACK_VORTEX_SHARED_RUNTIME OR NOT CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
  return()
endif()
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE host
  OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR host STREQUAL CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
  return()
endif()
set(arch ${CPACK_DEBIAN_PACKAGE_ARCHITECTURE})
set(missing)
foreach(library libc6 libstdc++6)
  execute_process(COMMAND dpkg-query -W "-f=\${Status}" ${library}:${arch}
    OUTPUT_VARIABLE installed ERROR_QUIET)
  if(NOT installed MATCHES " installed$")
    list(APPEND missing ${library}:${arch})
  endif()
endforeach()
if(missing)
  list(JOIN missing " " missing)
  message(FATAL_ERROR "The ${arch} package's dependencies come from the ${arch} run-time "
    "libraries' packages, which are not installed: dpkg --add-architecture ${arch}; "
    "apt-get update; apt-get install ${missing}")
endif()
