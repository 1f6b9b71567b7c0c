# nlohmann/json for the cross build. The library is header-only, so Debian's headers serve every
# target; they are reached through a folder that holds nothing else, so that no Linux system
# header in /usr/include can shadow a MinGW one.
set(_varnolith_json_include ${CMAKE_BINARY_DIR}/cross-include)
if(NOT EXISTS ${_varnolith_json_include}/nlohmann/json.hpp)
  file(MAKE_DIRECTORY ${_varnolith_json_include})
  file(CREATE_LINK /usr/include/nlohmann ${_varnolith_json_include}/nlohmann SYMBOLIC)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_varnolith_json_include})
endif()
set(nlohmann_json_FOUND TRUE)
