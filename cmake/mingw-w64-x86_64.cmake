# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain. The posix
# thread model is selected explicitly: std::mutex and std::thread need it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TORVIK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TORVIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TORVIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TORVIK_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TORVIK_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${TORVIK_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Archive indexer")

# Libraries cross-built from Debian's source packages (scripts/windows-deps.sh)
# live in this prefix; the environment may name another one.
if(DEFINED ENV{TORVIK_MINGW_PREFIX})
    set(TORVIK_MINGW_PREFIX $ENV{TORVIK_MINGW_PREFIX})
else()
    get_filename_component(TORVIK_MINGW_PREFIX ${CMAKE_CURRENT_LIST_DIR}/../build/mingw-deps/prefix
                           ABSOLUTE)
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${TORVIK_MINGW_TRIPLE} ${TORVIK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs carry the C++ runtime, libgcc and winpthread inside, so Wine needs
# nothing but its own system libraries to run them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
# Only the static archives are wanted: the module carries its libraries inside.
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs run under Wine, through a wrapper that owns the Wine prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
