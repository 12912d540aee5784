# Shared part of the MinGW-w64 toolchains: compilers, resource compiler and the
# target root, so that find_* never picks up the build host's libraries.
set(CMAKE_C_COMPILER ${GAMEVRAK_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${GAMEVRAK_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${GAMEVRAK_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${GAMEVRAK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The runtime libraries go into the executable: it must import only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
