# Install rules and packages. `cmake --install <build> --prefix P` puts
# P/bin/Quonvel and its README, CHANGELOG and LICENSE in P/share/doc/quonvel;
# a Windows build keeps all four side by side at the top, the way a tool that
# is dropped into a build step is unpacked. `cpack` packs what is installed:
# TGZ and DEB on Linux, ZIP on Windows (MSVC and the MinGW cross build alike).
if(WIN32)
  set(CMAKE_INSTALL_BINDIR . CACHE PATH "Executables (Windows: the top folder)")
  set(CMAKE_INSTALL_DOCDIR . CACHE PATH "README, CHANGELOG and LICENSE (Windows: the top folder)")
else()
  # Named after the Debian package, as Debian wants it.
  set(CMAKE_INSTALL_DOCDIR share/doc/quonvel CACHE PATH "README, CHANGELOG and LICENSE")
endif()
include(GNUInstallDirs)

install(TARGETS Quonvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES README.md CHANGELOG.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME Quonvel)
# Three numbers, as in the tag and the changelog; the fourth is the resource's.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_VENDOR "Quonvel developers")
set(CPACK_PACKAGE_CONTACT "Quonvel developers <dev@quonvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Formats the TriCore toolchain's output messages for the MSVC output window")
set(CPACK_PACKAGE_DESCRIPTION
  "Quonvel reads a captured log of the TriCore C compiler (ctc), C++ compiler (cptc) and linker (ltc) and writes each diagnostic in the layout of the MSVC output window, so that Visual Studio lists them and jumps to their source lines.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")
if(WIN32)
  # Quonvel-<version>-win64.zip with Quonvel.exe in its top folder.
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ DEB)
endif()

set(CPACK_DEBIAN_PACKAGE_NAME quonvel)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are read off the executable by dpkg-shlibdeps where it is
# installed (package dpkg-dev); without it the package declares none.
find_program(QUONVEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(QUONVEL_DPKG_SHLIBDEPS)
if(QUONVEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
