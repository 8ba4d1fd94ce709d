# nlohmann/json (header-only), which the tests use to read the SARIF layout
# back. 3.4 is the first release whose dump() can replace invalid UTF-8.
# Taken from an installed package (Debian nlohmann-json3-dev, vcpkg), or a
# pinned release downloaded from QUONVEL_JSON_URL; when neither works,
# configure stops at once and says what to do.
include(${CMAKE_CURRENT_LIST_DIR}/QuonvelDownload.cmake)
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
  if(nlohmann_json_FOUND)
    return()
  endif()
endif()

option(QUONVEL_JSON_FETCH "Download nlohmann/json when it is not installed" ON)
set(QUONVEL_JSON_URL https://github.com/nlohmann/json/releases/download/v3.11.3/json.tar.xz
    CACHE STRING "Where nlohmann/json 3.11.3 is downloaded from")
set(download_failure "")
if(QUONVEL_JSON_FETCH)
  set(sha256 d6c65aca6b1ed68e7a182f4757257b107ae403032760ed6ef121c9d55e81757d)
  quonvel_download(nlohmann_json ${QUONVEL_JSON_URL} ${sha256} archive download_failure)
  if(archive)
    include(FetchContent)
    FetchContent_Declare(nlohmann_json URL ${archive} URL_HASH SHA256=${sha256}
      DOWNLOAD_EXTRACT_TIMESTAMP ON)
    FetchContent_MakeAvailable(nlohmann_json)
  endif()
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
  quonvel_missing_dependency("nlohmann/json 3.4 or newer (needed by the tests)"
    "No installed package, no download.\n${download_failure}"
    "cmake --workflow --preset tool builds Quonvel alone (or configure with -DBUILD_TESTING=OFF)."
    "Debian/Ubuntu: sudo apt-get install nlohmann-json3-dev"
    "vcpkg:         vcpkg install nlohmann-json, and configure with its toolchain file"
    "download:      with access to github.com and -DQUONVEL_JSON_FETCH=ON (the default), or -DQUONVEL_JSON_URL=<mirror of json.tar.xz>")
endif()
