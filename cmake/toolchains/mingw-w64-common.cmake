# What both Windows cross builds share; Q7310_MINGW_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${Q7310_MINGW_TRIPLET})
set(CMAKE_CXX_COMPILER ${Q7310_MINGW_TRIPLET}-g++-posix)
set(CMAKE_C_COMPILER ${Q7310_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_RC_COMPILER ${Q7310_MINGW_TRIPLET}-windres)

# Programs that need no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Look for libraries and headers in the MinGW tree only, never in the host's /usr/include.
set(CMAKE_FIND_ROOT_PATH /usr/${Q7310_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
