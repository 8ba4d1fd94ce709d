# nlohmann/json for the SARIF layout and its tests (header-only).
# 3.4 is the first release whose dump() can replace invalid UTF-8.
if(TARGET nlohmann_json::nlohmann_json)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  # The host's header serves a cross build too, but only the header itself:
  # the host's whole include folder would shadow the target's system headers.
  find_path(QUONVEL_HOST_JSON_INCLUDE nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
  if(QUONVEL_HOST_JSON_INCLUDE)
    file(COPY ${QUONVEL_HOST_JSON_INCLUDE}/nlohmann DESTINATION ${PROJECT_BINARY_DIR}/host-json)
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
    target_include_directories(nlohmann_json::nlohmann_json INTERFACE
      ${PROJECT_BINARY_DIR}/host-json)
    return()
  endif()
else()
  find_package(nlohmann_json 3.4 QUIET GLOBAL)
endif()

if(NOT nlohmann_json_FOUND)
  # Not installed (e.g. Windows without vcpkg): a pinned release, checked
  # against its hash.
  include(FetchContent)
  FetchContent_Declare(nlohmann_json
    URL https://github.com/nlohmann/json/releases/download/v3.11.3/json.tar.xz
    URL_HASH SHA256=d6c65aca6b1ed68e7a182f4757257b107ae403032760ed6ef121c9d55e81757d)
  FetchContent_MakeAvailable(nlohmann_json)
endif()
