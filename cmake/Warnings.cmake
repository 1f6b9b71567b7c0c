# Project-wide warning flags; applied to our own targets only through varnolith_warnings.
add_library(varnolith_warnings INTERFACE)
target_compile_options(varnolith_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local
  -Wnon-virtual-dtor -Wno-missing-field-initializers)
if(VARNOLITH_WERROR)
  target_compile_options(varnolith_warnings INTERFACE -Werror)
endif()
