# The version of the Debian package whose headers the cross build uses.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
