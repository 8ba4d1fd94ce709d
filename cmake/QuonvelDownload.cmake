# The pinned downloads of the test and benchmark dependencies, and the message
# configure stops with when one can be neither found nor fetched.
include_guard(GLOBAL)

# Downloads <url> once into the build tree and checks it against <sha256>.
# One try with a short inactivity limit: FetchContent's own download retries
# for well over a minute before it fails on a machine without network. Sets
# <archive_var> to the archive, or to "" and <reason_var> to why not.
function(quonvel_download name url sha256 archive_var reason_var)
  get_filename_component(file_name "${url}" NAME)
  set(archive ${CMAKE_BINARY_DIR}/_deps/${name}-${file_name})
  set(got "")
  if(EXISTS ${archive})
    file(SHA256 ${archive} got)
  endif()
  set(reason "")
  if(NOT got STREQUAL sha256)
    message(STATUS "Downloading ${name} from ${url}")
    file(DOWNLOAD ${url} ${archive} STATUS status INACTIVITY_TIMEOUT 10 TIMEOUT 300 TLS_VERIFY ON)
    list(GET status 0 failed)
    list(GET status 1 why)
    if(NOT failed)
      file(SHA256 ${archive} got)
      if(NOT got STREQUAL sha256)
        set(failed 1)
        set(why "SHA-256 ${got}, expected ${sha256}")
      endif()
    endif()
    if(failed)
      file(REMOVE ${archive})
      set(archive "")
      set(reason "The download of ${url} failed: ${why}")
    endif()
  endif()
  set(${archive_var} "${archive}" PARENT_SCOPE)
  set(${reason_var} "${reason}" PARENT_SCOPE)
endfunction()

# Stops configure with what was tried, how to get <what>, and how to build
# without it; the remaining arguments are the lines of "how to get it". The
# stop comes at the end of the top folder's configure, so that one run names
# every dependency that is missing, not only the first.
function(quonvel_missing_dependency what tried without)
  set(ways "")
  foreach(way IN LISTS ARGN)
    string(APPEND ways "  ${way}\n")
  endforeach()
  set_property(GLOBAL APPEND_STRING PROPERTY QUONVEL_MISSING
    "${what} not found. ${tried}\nGet it in one of these ways:\n${ways}Or build without it: ${without}\n\n")
  get_property(scheduled GLOBAL PROPERTY QUONVEL_MISSING_SCHEDULED)
  if(NOT scheduled)
    set_property(GLOBAL PROPERTY QUONVEL_MISSING_SCHEDULED ON)
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL quonvel_report_missing)
  endif()
endfunction()

function(quonvel_report_missing)
  get_property(missing GLOBAL PROPERTY QUONVEL_MISSING)
  string(STRIP "${missing}" missing)
  message(FATAL_ERROR "${missing}")
endfunction()
