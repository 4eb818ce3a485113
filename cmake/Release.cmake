# The release archive: BRIMSTAR.SCR with its install notes and licence, as one ZIP.
#
#   cmake --build build/mingw --target package      -> build/mingw/Brimstar-<version>-win64.zip
#
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

install(TARGETS brimstar RUNTIME DESTINATION .)
install(FILES "${CMAKE_BINARY_DIR}/release/INSTALL.txt" "${CMAKE_BINARY_DIR}/release/LICENSE" DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Brimstar)
set(CPACK_PACKAGE_VENDOR "Tarnwick Inc.")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Brimstar Screen Saver")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME "Brimstar-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")
# The three files sit at the top of the archive, ready to right-click once extracted.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Symbols are no use to someone installing a screen saver.
set(CPACK_STRIP_FILES ON)
# Work and write the archive in the build tree, also when cpack runs from elsewhere.
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}")
# `package_source` would otherwise sweep up build trees, Wine prefixes and Git's own files.
set(CPACK_SOURCE_GENERATOR ZIP)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\.git/" "/_CPack_Packages/")
include(CPack)
