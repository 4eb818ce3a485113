# The release: BRIMSTAR.SCR with its install notes and licence as one ZIP, and a setup program.
#
#   cmake --build build/mingw --target package      -> build/mingw/Brimstar-<version>-win64.zip
#                                                      build/mingw/Brimstar-<version>-win64-setup.exe
#
# The setup program is CPack's NSIS generator with our own script template
# (packaging/nsis/NSIS.template.in); it needs makensis (Debian package nsis).
# Included from the top-level CMakeLists.txt for Windows builds only, after the brimstar target.

# The version record in the executable and the archive's name must tell the same version.
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/version.h" brimstar_version_line
     REGEX "^#define BRIMSTAR_VERSION_NUMBERS ")
string(REGEX REPLACE "^#define BRIMSTAR_VERSION_NUMBERS +([0-9]+), *([0-9]+), *([0-9]+), *([0-9]+).*$"
       "\\1.\\2.\\3.\\4" brimstar_resource_version "${brimstar_version_line}")
if(NOT brimstar_resource_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "resources/version.h states version '${brimstar_resource_version}', "
                        "the project ${PROJECT_VERSION}: change both together")
endif()

# Windows users read these in Notepad: ship them with CRLF line ends whatever the checkout has.
# INSTALL.txt also names the version.
configure_file("${CMAKE_SOURCE_DIR}/packaging/INSTALL.txt" "${CMAKE_BINARY_DIR}/release/INSTALL.txt"
               @ONLY NEWLINE_STYLE CRLF)
configure_file("${CMAKE_SOURCE_DIR}/LICENSE" "${CMAKE_BINARY_DIR}/release/LICENSE"
               @ONLY NEWLINE_STYLE CRLF)

# Symbols are no use to someone installing a screen saver. Stripped once, here, so that the
# archive and the setup program carry the very same bytes (strip stamps the time into the file).
if(CMAKE_STRIP)
    set(brimstar_release_scr "${CMAKE_BINARY_DIR}/release/BRIMSTAR.SCR")
    add_custom_command(OUTPUT "${brimstar_release_scr}"
        COMMAND "${CMAKE_STRIP}" -o "${brimstar_release_scr}" "$<TARGET_FILE:brimstar>"
        DEPENDS brimstar
        COMMENT "Stripping BRIMSTAR.SCR for the release")
    add_custom_target(brimstar_release ALL DEPENDS "${brimstar_release_scr}")
    install(PROGRAMS "${brimstar_release_scr}" DESTINATION .)
else()
    install(TARGETS brimstar RUNTIME DESTINATION .)
endif()
install(FILES "${CMAKE_BINARY_DIR}/release/INSTALL.txt" "${CMAKE_BINARY_DIR}/release/LICENSE" DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Brimstar)
set(CPACK_PACKAGE_VENDOR "Tarnwick Inc.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brimstar Screen Saver")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME "Brimstar-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
# The setup program's name adds "-setup" to it (see the file).
set(CPACK_BRIMSTAR_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_SOURCE_DIR}/packaging/CPackProjectConfig.cmake")
# The three files sit at the top of the archive, ready to right-click once extracted.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Work and write the archive in the build tree, also when cpack runs from elsewhere.
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")

# The setup program. Its uninstaller folder and Apps key carry no version, so that installing
# any version over another replaces it.
set(CPACK_MODULE_PATH "${CMAKE_SOURCE_DIR}/packaging/nsis")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Brimstar)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Brimstar)
set(CPACK_NSIS_DISPLAY_NAME "Brimstar Screen Saver")
set(CPACK_NSIS_PACKAGE_NAME "Brimstar Screen Saver")
set(CPACK_NSIS_MUI_ICON "${CMAKE_SOURCE_DIR}/resources/main.ico")
set(CPACK_NSIS_MUI_UNIICON "${CMAKE_SOURCE_DIR}/resources/main.ico")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The setup's version record says what the executable's says, in the same words.
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/version.h" brimstar_version_text_line
     REGEX "^#define BRIMSTAR_VERSION_TEXT ")
string(REGEX REPLACE "^#define BRIMSTAR_VERSION_TEXT +\"(.*)\".*$" "\\1"
       CPACK_BRIMSTAR_VERSION_TEXT "${brimstar_version_text_line}")
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/credits.h" brimstar_copyright_line
     REGEX "^#define BRIMSTAR_COPYRIGHT ")
string(REGEX REPLACE "^#define BRIMSTAR_COPYRIGHT +\"(.*)\".*$" "\\1"
       CPACK_BRIMSTAR_COPYRIGHT "${brimstar_copyright_line}")

# `package_source` would otherwise sweep up build trees, Wine prefixes and Git's own files.
set(CPACK_SOURCE_GENERATOR ZIP)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/" "/_CPack_Packages/")
include(CPack)
