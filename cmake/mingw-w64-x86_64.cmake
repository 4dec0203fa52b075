# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (the POSIX thread model, which
# std::thread and std::mutex need). Every program and DLL links the compiler's runtime
# (libstdc++, libgcc, winpthread) statically, so that it imports system DLLs only and runs
# from any folder. Programs run on this machine through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARN_MINGW_PREFIX}-windres)
find_program(TARN_WIDL NAMES ${TARN_MINGW_PREFIX}-widl widl REQUIRED)
find_program(CMAKE_CROSSCOMPILING_EMULATOR NAMES wine REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${TARN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# A DLL exports its own functions only, never those of the static runtime.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--exclude-libs,libgcc.a:libgcc_eh.a:libstdc++.a:libwinpthread.a")
