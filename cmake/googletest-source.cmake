# GoogleTest built from Debian's sources (package googletest, /usr/src/googletest)
# for a target that has no GoogleTest package of its own, such as Windows. Its
# CMake names the targets GTest::gtest and GTest::gtest_main, as the package
# does. It is built with its own flags: the project's warnings, and warnings as
# errors, are not for its code.
set(VORTEX_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources")
if(NOT EXISTS ${VORTEX_GOOGLETEST_SOURCE}/googletest/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest's sources are not in ${VORTEX_GOOGLETEST_SOURCE}: install "
    "Debian's googletest, or give VORTEX_GOOGLETEST_SOURCE, or configure with -DBUILD_TESTING=OFF")
endif()
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
get_directory_property(vortex_compile_options COMPILE_OPTIONS)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
add_subdirectory(${VORTEX_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_directory_properties(PROPERTIES COMPILE_OPTIONS "${vortex_compile_options}")
set_target_properties(gtest gtest_main PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
