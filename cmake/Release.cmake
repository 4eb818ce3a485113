# The release: BRIMSTAR.SCR with its install notes and licence as one ZIP, and a setup program.
#
#   cmake --build build/mingw --target package      -> build/mingw/Brimstar-<version>-win64.zip
#                                                      build/mingw/Brimstar-<version>-win64-setup.exe
#                                                      build/mingw/SHA256SUMS
#                                                      build/mingw/winget/*.yaml (the setup's manifests)
#
# Signed with the maintainer's certificate when BRIMSTAR_SIGN_PFX and BRIMSTAR_SIGN_PASSWORD_FILE
# are given (see docs/releasing.md). Two builds of the same sources give the same bytes.
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

# Every release file is dated from one moment, so that two builds of the same sources agree to the
# byte: SOURCE_DATE_EPOCH if set, else the time of the commit being built. Sources without their
# Git history (an exported archive) and without SOURCE_DATE_EPOCH get 1980-01-01 00:00 UTC, the
# earliest time a ZIP entry can hold: no real date, but the same for every such build.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(brimstar_source_date "$ENV{SOURCE_DATE_EPOCH}")
    set(brimstar_source_date_origin "SOURCE_DATE_EPOCH")
else()
    set(brimstar_source_date 315532800)
    set(brimstar_source_date_origin "no Git history and no SOURCE_DATE_EPOCH")
    find_package(Git QUIET)
    if(GIT_FOUND)
        # Only these sources' own history: not that of a repository they happen to lie in.
        execute_process(COMMAND "${GIT_EXECUTABLE}" rev-parse --show-toplevel --git-path logs/HEAD
            WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE brimstar_git_paths
            OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE brimstar_git_rc ERROR_QUIET)
        string(REPLACE "\n" ";" brimstar_git_paths "${brimstar_git_paths}")
        set(brimstar_git_top "")
        if(brimstar_git_rc EQUAL 0)
            list(GET brimstar_git_paths 0 brimstar_git_top)
            file(REAL_PATH "${brimstar_git_top}" brimstar_git_top)
        endif()
        file(REAL_PATH "${CMAKE_SOURCE_DIR}" brimstar_source_top)
        if(brimstar_git_top STREQUAL brimstar_source_top)
            execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE brimstar_commit_date
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            if(brimstar_commit_date)
                set(brimstar_source_date "${brimstar_commit_date}")
                set(brimstar_source_date_origin "the last commit")
            endif()
            # A new commit or checkout dates the next build afresh.
            list(GET brimstar_git_paths 1 brimstar_git_log)
            get_filename_component(brimstar_git_log "${brimstar_git_log}" ABSOLUTE BASE_DIR "${CMAKE_SOURCE_DIR}")
            if(EXISTS "${brimstar_git_log}")
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${brimstar_git_log}")
            endif()
        endif()
    endif()
endif()
if(NOT brimstar_source_date MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a number of seconds since 1970, not '${brimstar_source_date}'")
endif()
message(STATUS "Release files dated ${brimstar_source_date} (${brimstar_source_date_origin})")

# Signing with the maintainer's own certificate. The password stays in its file: osslsigncode
# reads it from there each time it signs, so it is in no command line, cache entry or log.
set(BRIMSTAR_SIGN_PFX "" CACHE FILEPATH
    "PKCS#12 file with the code-signing key and certificate that sign the release")
set(BRIMSTAR_SIGN_PASSWORD_FILE "" CACHE FILEPATH "File that holds the password of BRIMSTAR_SIGN_PFX")
set(BRIMSTAR_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server for the signatures (optional)")
# What the release copy of the saver depends on besides the program: its date and, when it is
# signed, what cmake/sign.sh signs with (paths, never the password).
set(brimstar_release_settings "${CMAKE_BINARY_DIR}/CMakeFiles/brimstar_release_settings.txt")
set(brimstar_release_settings_text "time=${brimstar_source_date}\n")
set(brimstar_signing OFF)
if(BRIMSTAR_SIGN_PFX AND BRIMSTAR_SIGN_PASSWORD_FILE)
    set(brimstar_signing ON)
    find_program(BRIMSTAR_OSSLSIGNCODE osslsigncode)
    find_program(BRIMSTAR_BASH bash)
    if(NOT BRIMSTAR_OSSLSIGNCODE OR NOT BRIMSTAR_BASH OR NOT CMAKE_STRIP)
        message(FATAL_ERROR "Signing the release needs osslsigncode and bash (scripts/setup-deps.sh installs "
                            "them) and the MinGW build, whose strip makes the release copy of the saver")
    endif()
    foreach(brimstar_sign_file IN ITEMS "${BRIMSTAR_SIGN_PFX}" "${BRIMSTAR_SIGN_PASSWORD_FILE}")
        if(NOT EXISTS "${brimstar_sign_file}")
            message(FATAL_ERROR "No such file: ${brimstar_sign_file}")
        endif()
    endforeach()
    string(APPEND brimstar_release_settings_text "osslsigncode=${BRIMSTAR_OSSLSIGNCODE}\n"
        "pfx=${BRIMSTAR_SIGN_PFX}\npassword_file=${BRIMSTAR_SIGN_PASSWORD_FILE}\n"
        "timestamp_url=${BRIMSTAR_SIGN_TIMESTAMP_URL}\n")
    # The setup's script names these three in a quoted command line.
    set(CPACK_BRIMSTAR_BASH "${BRIMSTAR_BASH}")
    set(CPACK_BRIMSTAR_SIGN_SCRIPT "${CMAKE_SOURCE_DIR}/cmake/sign.sh")
    set(CPACK_BRIMSTAR_SIGN_SETTINGS "${brimstar_release_settings}")
    foreach(brimstar_path IN ITEMS "${CPACK_BRIMSTAR_BASH}" "${CPACK_BRIMSTAR_SIGN_SCRIPT}" "${CPACK_BRIMSTAR_SIGN_SETTINGS}")
        if(brimstar_path MATCHES "[\"'$`]")
            message(FATAL_ERROR "Signing: the setup's script cannot name a path with quotes or dollar signs: ${brimstar_path}")
        endif()
    endforeach()
    if(BRIMSTAR_SIGN_TIMESTAMP_URL)
        message(STATUS "Release: signed with ${BRIMSTAR_SIGN_PFX}, time-stamped by ${BRIMSTAR_SIGN_TIMESTAMP_URL}")
    else()
        message(STATUS "Release: signed with ${BRIMSTAR_SIGN_PFX}, not time-stamped")
    endif()
elseif(BRIMSTAR_SIGN_PFX OR BRIMSTAR_SIGN_PASSWORD_FILE)
    message(FATAL_ERROR "BRIMSTAR_SIGN_PFX and BRIMSTAR_SIGN_PASSWORD_FILE go together: "
                        "give both to sign the release, or neither")
else()
    message(STATUS "Release: unsigned (give BRIMSTAR_SIGN_PFX and BRIMSTAR_SIGN_PASSWORD_FILE to sign it)")
endif()
file(CONFIGURE OUTPUT "${brimstar_release_settings}" CONTENT "${brimstar_release_settings_text}")

# Symbols are no use to someone installing a screen saver. Stripped once, here, so that the
# archive and the setup program carry the very same bytes. strip stamps the PE header with the
# current time unless SOURCE_DATE_EPOCH tells it another. Signed, when it is, before either
# package takes it; made under another name first, so that a failed signing leaves no unsigned
# file behind that looks finished.
if(CMAKE_STRIP)
    set(brimstar_release_scr "${CMAKE_BINARY_DIR}/release/BRIMSTAR.SCR")
    set(brimstar_release_steps
        COMMAND "${CMAKE_COMMAND}" -E env "SOURCE_DATE_EPOCH=${brimstar_source_date}"
            "${CMAKE_STRIP}" -o "${brimstar_release_scr}.new" "$<TARGET_FILE:brimstar>")
    set(brimstar_release_inputs brimstar "${brimstar_release_settings}")
    if(brimstar_signing)
        list(APPEND brimstar_release_steps COMMAND "${BRIMSTAR_BASH}" "${CMAKE_SOURCE_DIR}/cmake/sign.sh"
            "${brimstar_release_settings}" "Brimstar Screen Saver" "${brimstar_release_scr}.new")
        list(APPEND brimstar_release_inputs "${CMAKE_SOURCE_DIR}/cmake/sign.sh" "${BRIMSTAR_SIGN_PFX}")
    endif()
    add_custom_command(OUTPUT "${brimstar_release_scr}"
        ${brimstar_release_steps}
        COMMAND "${CMAKE_COMMAND}" -E rename "${brimstar_release_scr}.new" "${brimstar_release_scr}"
        DEPENDS ${brimstar_release_inputs}
        COMMENT "Stripping BRIMSTAR.SCR for the release"
        VERBATIM)
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
# The picture on the finish page, made by the artwork generator at the size that page shows.
set(CPACK_BRIMSTAR_SETUP_PICTURE "${CMAKE_SOURCE_DIR}/resources/setup_picture.bmp")
# The setup's version record says what the executable's says, in the same words.
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/version.h" brimstar_version_text_line
     REGEX "^#define BRIMSTAR_VERSION_TEXT ")
string(REGEX REPLACE "^#define BRIMSTAR_VERSION_TEXT +\"(.*)\".*$" "\\1"
       CPACK_BRIMSTAR_VERSION_TEXT "${brimstar_version_text_line}")
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/credits.h" brimstar_copyright_line
     REGEX "^#define BRIMSTAR_COPYRIGHT ")
string(REGEX REPLACE "^#define BRIMSTAR_COPYRIGHT +\"(.*)\".*$" "\\1"
       CPACK_BRIMSTAR_COPYRIGHT "${brimstar_copyright_line}")

# After each package: builder-specific bytes out of the ZIP, and SHA256SUMS remade beside them.
set(CPACK_BRIMSTAR_SOURCE_DATE "${brimstar_source_date}")
find_program(BRIMSTAR_STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT BRIMSTAR_STRIP_NONDETERMINISM)
    message(STATUS "Release: no strip-nondeterminism, so the ZIP carries this builder's user and group ids")
endif()
set(CPACK_BRIMSTAR_STRIP_NONDETERMINISM "${BRIMSTAR_STRIP_NONDETERMINISM}")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/packaging/CPackPostBuild.cmake")

# The winget manifests of the setup (packaging/winget/), written beside it once it is made, with
# its SHA-256. Where it will be downloaded from is known only when the release is published: until
# then the manifest names a placeholder address, FILL-IN-THE-DOWNLOAD-ADDRESS, to fill in there
# (or here, for the next build).
set(BRIMSTAR_WINGET_INSTALLER_URL "" CACHE STRING
    "Where the published setup program is downloaded from, for its winget manifest (empty: a placeholder)")
set(CPACK_BRIMSTAR_WINGET_INSTALLER_URL "${BRIMSTAR_WINGET_INSTALLER_URL}")
if(NOT CPACK_BRIMSTAR_WINGET_INSTALLER_URL)
    set(CPACK_BRIMSTAR_WINGET_INSTALLER_URL "https://FILL-IN-THE-DOWNLOAD-ADDRESS.invalid/${CPACK_BRIMSTAR_FILE_NAME}-setup.exe")
endif()
set(CPACK_BRIMSTAR_WINGET_TEMPLATES "${CMAKE_SOURCE_DIR}/packaging/winget")
# Publisher.Package, as winget names packages; one schema version for the three manifests.
set(CPACK_BRIMSTAR_WINGET_PACKAGE_IDENTIFIER "Tarnwick.Brimstar")
set(CPACK_BRIMSTAR_WINGET_MANIFEST_VERSION "1.12.0")

# `package_source` would otherwise sweep up build trees, Wine prefixes and Git's own files.
set(CPACK_SOURCE_GENERATOR ZIP)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/" "/_CPack_Packages/")
include(CPack)
