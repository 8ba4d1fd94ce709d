# nlohmann/json for the SARIF layout and its tests. It is header-only, so the
# host's copy (Debian: nlohmann-json3-dev) serves a cross build as well.
# Without it, a pinned release is fetched and checked against its hash.
# 3.4 is the first release whose dump() replaces invalid UTF-8.
if(TARGET nlohmann_json::nlohmann_json)
  return()
endif()
find_package(nlohmann_json 3.4 QUIET GLOBAL CMAKE_FIND_ROOT_PATH_BOTH)
if(NOT nlohmann_json_FOUND)
  include(FetchContent)
  FetchContent_Declare(nlohmann_json
    URL https://github.com/nlohmann/json/releases/download/v3.11.3/json.tar.xz
    URL_HASH SHA256=d6c65aca6b1ed68e7a182f4757257b107ae403032760ed6ef121c9d55e81757d)
  FetchContent_MakeAvailable(nlohmann_json)
endif()
