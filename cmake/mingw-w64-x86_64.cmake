# Cross build for 64-bit Windows with MinGW-w64 (posix threads), tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-ranlib CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${_triple}-objdump CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot only; programs run on the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A DAW loads the bundles into its own process: with the runtime (libstdc++, libgcc and
# winpthreads) linked in statically they import nothing but system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

find_program(VARNOLITH_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(VARNOLITH_WINE NAMES wine64 wine)
if(VARNOLITH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNOLITH_WINE})
endif()

# Header-only libraries from Debian, which the sysroot does not have.
set(nlohmann_json_DIR ${CMAKE_CURRENT_LIST_DIR}/cross/nlohmann_json CACHE PATH "header-only nlohmann/json")
