# Project-wide warning flags; applied to our own targets only through varnolith_warnings.
add_library(varnolith_warnings INTERFACE)
target_compile_options(varnolith_warnings INTERFACE -Wall -Wextra -Wpedantic
  -Wnon-virtual-dtor -Wno-missing-field-initializers)
# GCC spells local-shadowing "-Wshadow=local"; clang (the fuzz preset) has no such option and its
# nearest equivalent is -Wshadow-uncaptured-local.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(varnolith_warnings INTERFACE -Wshadow=local)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(varnolith_warnings INTERFACE -Wshadow-uncaptured-local)
endif()
if(VARNOLITH_WERROR)
  target_compile_options(varnolith_warnings INTERFACE -Werror)
endif()
# GCC 12's optimizer reports overlaps and overflows inside libstdc++'s own inlined string, vector
# and atomic code at -O2/-O3 that cannot happen (false positives); debug builds keep the checks.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(varnolith_warnings INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:-Wno-restrict -Wno-stringop-overflow -Wno-stringop-overread>)
endif()
