# `cpack -G ZIP` in a Windows build folder: vortex-<version>-win64.zip, a
# folder of that name holding vortex.exe, README.txt (packaging/windows/) and
# the manual as plain text (vortex.txt, rendered from docs/vortex.1 by groff
# with its Windows register), both written for vortex.exe's users and with CR
# LF line ends for any Windows editor, and the program without its debugging
# information. The files are gathered in the build
# folder's zip/ as vortex.exe is built; the install rules, which lay out a
# Linux system's folders, are not used for it.
find_program(VORTEX_GROFF groff DOC "groff, which renders the manual for the ZIP package")
set(vortex_zip_stage ${CMAKE_BINARY_DIR}/zip)
if(VORTEX_GROFF)
  set(vortex_manual_text ${vortex_zip_stage}/vortex.txt)
  add_custom_command(OUTPUT ${vortex_manual_text}
    COMMAND ${CMAKE_COMMAND} -DGROFF=${VORTEX_GROFF} -DMANUAL=${PROJECT_SOURCE_DIR}/docs/vortex.1
            -DREADME=${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
            -DVERSION=${PROJECT_VERSION} -DSTAGE=${vortex_zip_stage}
            -P ${PROJECT_SOURCE_DIR}/cmake/windows-texts.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/vortex.1 ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
            ${PROJECT_SOURCE_DIR}/cmake/windows-texts.cmake
    COMMENT "Rendering the manual and the README for the ZIP package")
else()
  message(WARNING "groff not found: the ZIP package will lack the manual and the README")
  set(vortex_manual_text)
endif()
add_custom_target(vortex_zip_files ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${vortex_zip_stage}
  COMMAND ${CMAKE_STRIP} -o ${vortex_zip_stage}/vortex.exe $<TARGET_FILE:vortex>
  DEPENDS vortex ${vortex_manual_text})

set(CPACK_GENERATOR ZIP)
set(CPACK_SYSTEM_NAME win64)
set(CPACK_INSTALL_CMAKE_PROJECTS "")
set(CPACK_INSTALLED_DIRECTORIES "${vortex_zip_stage};.")
