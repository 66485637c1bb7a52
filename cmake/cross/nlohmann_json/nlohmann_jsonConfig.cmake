# nlohmann::json for the Windows cross build. Adding /usr/include itself would put the Linux C
# library's headers in front of MinGW's, so only the nlohmann folder is copied into the build tree.
set(_orbi_nlohmann_headers /usr/include/nlohmann)
if(NOT EXISTS ${_orbi_nlohmann_headers}/json.hpp)
  set(nlohmann_json_FOUND FALSE)
  set(nlohmann_json_NOT_FOUND_MESSAGE "no ${_orbi_nlohmann_headers}/json.hpp (install nlohmann-json3-dev)")
  return()
endif()
set(_orbi_nlohmann_include ${CMAKE_BINARY_DIR}/cross-include)
file(COPY ${_orbi_nlohmann_headers} DESTINATION ${_orbi_nlohmann_include})
if(NOT TARGET nlohmann_json::nlohmann_json)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  set_target_properties(nlohmann_json::nlohmann_json PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_orbi_nlohmann_include})
endif()
