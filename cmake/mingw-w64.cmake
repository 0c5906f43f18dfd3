# Cross build for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QX_MINGW_TRIPLET x86_64-w64-mingw32)
# The posix thread model: std::thread and friends are complete in it.
set(CMAKE_C_COMPILER ${QX_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QX_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QX_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No MinGW runtime DLLs to ship: libgcc, libstdc++ and winpthread linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
# Tests and test discovery run the cross-built programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
