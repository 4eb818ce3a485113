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
