// The program's version as the version record states it. cmake/Release.cmake checks that it
// agrees with the project's version, which names the release archive.
#pragma once

#define BRIMSTAR_VERSION_NUMBERS 1, 0, 0, 1
#define BRIMSTAR_VERSION_TEXT "1, 0, 0, 1"
