# Cross-compiles the Qt-free layers for 64-bit Windows with MinGW-w64 and runs the results with Wine.
# The -posix compilers are needed: the win32 thread model has no std::mutex, which GoogleTest uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Appended, so that a build can add the prefix of its cross-built libraries with -DCMAKE_FIND_ROOT_PATH.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime, so the executables need no MinGW DLLs beside them inside the Wine prefix.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest and GoogleTest's test discovery start the executables through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
