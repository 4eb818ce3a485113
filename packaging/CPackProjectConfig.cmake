# Read by cpack once per generator (CPACK_PROJECT_CONFIG_FILE), for the release and the source
# package alike. The setup program's name adds "-setup" to the archive's, so that the two sit
# side by side. cpack keeps variables from one generator to the next, so a generator that runs
# after NSIS gets the archive's name back.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_BRIMSTAR_FILE_NAME}-setup")
elseif(CPACK_PACKAGE_FILE_NAME STREQUAL "${CPACK_BRIMSTAR_FILE_NAME}-setup")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_BRIMSTAR_FILE_NAME}")
endif()

# The ZIP dates every file it holds from the release's source date, not from when it was built.
set(ENV{SOURCE_DATE_EPOCH} "${CPACK_BRIMSTAR_SOURCE_DATE}")
