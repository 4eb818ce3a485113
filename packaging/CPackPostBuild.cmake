# Run by cpack after each generator (CPACK_POST_BUILD_SCRIPTS), while the package just made
# (CPACK_PACKAGE_FILES) still lies in cpack's work folder, before it is copied to the top of the
# build folder.

# libarchive stores the builder's user and group ids with every file of the ZIP, and its DOS
# times in the builder's time zone: strip-nondeterminism sets both the same for every builder.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.zip$" AND CPACK_BRIMSTAR_STRIP_NONDETERMINISM)
        execute_process(COMMAND "${CPACK_BRIMSTAR_STRIP_NONDETERMINISM}" --type zip
                                --timestamp "${CPACK_BRIMSTAR_SOURCE_DATE}" "${package}"
                        RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "strip-nondeterminism failed on ${package}")
        endif()
    endif()
endforeach()

# SHA256SUMS, as `sha256sum -c` reads it, for the release files: the one just made and the
# other as it lies beside it, so that the list always tells the files that are there.
set(sums "")
foreach(name IN ITEMS "${CPACK_BRIMSTAR_FILE_NAME}.zip" "${CPACK_BRIMSTAR_FILE_NAME}-setup.exe")
    set(path "${CPACK_PACKAGE_DIRECTORY}/${name}")
    foreach(package IN LISTS CPACK_PACKAGE_FILES)
        get_filename_component(package_name "${package}" NAME)
        if(package_name STREQUAL name)
            set(path "${package}")
        endif()
    endforeach()
    if(EXISTS "${path}")
        file(SHA256 "${path}" hash)
        string(APPEND sums "${hash}  ${name}\n")
    endif()
endforeach()
file(WRITE "${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS" "${sums}")

# The setup's winget manifests: version, default locale and installer, as the winget-pkgs
# repository names them, with the setup's SHA-256 and the Apps entry its script makes.
set(setup "${CPACK_PACKAGE_DIRECTORY}/${CPACK_BRIMSTAR_FILE_NAME}-setup.exe")
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "-setup\\.exe$")
        set(setup "${package}")
    endif()
endforeach()
if(EXISTS "${setup}")
    file(SHA256 "${setup}" WINGET_INSTALLER_SHA256)
    string(TOUPPER "${WINGET_INSTALLER_SHA256}" WINGET_INSTALLER_SHA256)
    set(WINGET_PACKAGE_IDENTIFIER "${CPACK_BRIMSTAR_WINGET_PACKAGE_IDENTIFIER}")
    set(WINGET_MANIFEST_VERSION "${CPACK_BRIMSTAR_WINGET_MANIFEST_VERSION}")
    set(WINGET_INSTALLER_URL "${CPACK_BRIMSTAR_WINGET_INSTALLER_URL}")
    set(WINGET_PACKAGE_VERSION "${CPACK_PACKAGE_VERSION}")
    set(WINGET_PACKAGE_NAME "${CPACK_NSIS_DISPLAY_NAME}")
    set(WINGET_PUBLISHER "${CPACK_PACKAGE_VENDOR}")
    set(WINGET_COPYRIGHT "${CPACK_BRIMSTAR_COPYRIGHT}")
    set(WINGET_PRODUCT_CODE "${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}")
    set(manifests "${CPACK_PACKAGE_DIRECTORY}/winget/${WINGET_PACKAGE_IDENTIFIER}")
    configure_file("${CPACK_BRIMSTAR_WINGET_TEMPLATES}/manifest.version.yaml.in" "${manifests}.yaml" @ONLY)
    configure_file("${CPACK_BRIMSTAR_WINGET_TEMPLATES}/manifest.defaultLocale.yaml.in"
                   "${manifests}.locale.en-US.yaml" @ONLY)
    configure_file("${CPACK_BRIMSTAR_WINGET_TEMPLATES}/manifest.installer.yaml.in" "${manifests}.installer.yaml" @ONLY)
endif()
