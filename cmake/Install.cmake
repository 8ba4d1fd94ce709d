# Install rules and packages. `cmake --install <build> --prefix P` puts
# P/bin/Quonvel and its README, CHANGELOG, CONTRIBUTING, LICENSE, docs/ and
# examples/ in P/share/doc/quonvel; a Windows build keeps them all side by
# side at the top, the way a tool that is dropped into a build step is
# unpacked. `cpack` packs what is installed:
# TGZ and DEB on Linux, ZIP on Windows (MSVC and the MinGW cross build alike).
# The packages strip the executable; `cmake --install --strip` does the same.
if(WIN32)
  set(CMAKE_INSTALL_BINDIR . CACHE PATH "Executables (Windows: the top folder)")
  set(CMAKE_INSTALL_DOCDIR . CACHE PATH "The texts, docs and recipes (Windows: the top folder)")
else()
  # Named after the Debian package, as Debian wants it.
  set(CMAKE_INSTALL_DOCDIR share/doc/quonvel CACHE PATH "The texts, docs and recipes")
endif()
include(GNUInstallDirs)

install(TARGETS Quonvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The README links the details in docs/, the recipes in examples/ and
# CONTRIBUTING.md: they go beside it, so that its links work where it is
# installed, too. Its links into the repository's pages (../../releases/latest)
# work on the repository's site only: in the installed copy they lead to
# QUONVEL_REPOSITORY_URL when the build is given it, else keep their text alone.
set(QUONVEL_REPOSITORY_URL "" CACHE STRING
  "The repository's web address (https://github.com/<owner>/<name>), for the installed README's link to the releases page")
set(readme ${PROJECT_BINARY_DIR}/install/README.md)
file(READ ${PROJECT_SOURCE_DIR}/README.md text)
if(QUONVEL_REPOSITORY_URL)
  string(REGEX REPLACE "\\]\\(\\.\\./\\.\\./" "](${QUONVEL_REPOSITORY_URL}/" text "${text}")
else()
  string(REGEX REPLACE "\\[([^]]*)\\]\\(\\.\\./\\.\\./[^)]*\\)" "\\1" text "${text}")
endif()
file(WRITE ${readme}.new "${text}")
file(COPY_FILE ${readme}.new ${readme} ONLY_IF_DIFFERENT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
install(FILES ${readme} CHANGELOG.md CONTRIBUTING.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Every file of examples/, hidden ones too: the GitLab recipe is
# gitlab/.gitlab-ci.yml (.ci/leg-15-package and .ci/leg-10-windows compare
# the installed folder with the sources).
install(DIRECTORY docs examples DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Three numbers, as in the tag and the changelog; the fourth is the resource's.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_PACKAGE_CONTACT "Quonvel developers <dev@quonvel.invalid>")

if(NOT WIN32)
  set(staged ${PROJECT_BINARY_DIR}/install)
  # The man page, and on Linux the lower-case names a user types beside the
  # executable's own: a file system that ignores case would take them for it.
  set(man_page ${staged}/Quonvel.1.gz)
  set(links "")
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(links ${staged}/links/quonvel ${staged}/links/quonvel.1.gz)
  endif()
  # gzip -n: no name and no time stamp inside, so the package is reproducible.
  find_program(QUONVEL_GZIP gzip REQUIRED)
  mark_as_advanced(QUONVEL_GZIP)
  # The page's header names the version of project(); SEE ALSO the docs
  # folder as installed, under the prefix that `cmake --install --prefix` and
  # each package choose (a page of a relocatable archive cannot know it).
  if(IS_ABSOLUTE "${CMAKE_INSTALL_DOCDIR}")
    set(QUONVEL_MAN_DOCS "${CMAKE_INSTALL_DOCDIR}")
  else()
    set(QUONVEL_MAN_DOCS "prefix/${CMAKE_INSTALL_DOCDIR}")
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/res/Quonvel.1.in ${staged}/man/Quonvel.1 @ONLY)
  add_custom_command(OUTPUT ${man_page} ${links}
    COMMAND ${CMAKE_COMMAND} -E copy ${staged}/man/Quonvel.1 ${staged}/Quonvel.1
    COMMAND ${QUONVEL_GZIP} -9nf ${staged}/Quonvel.1
    COMMAND ${CMAKE_COMMAND} -E make_directory ${staged}/links
    COMMAND ${CMAKE_COMMAND} -E create_symlink Quonvel ${staged}/links/quonvel
    COMMAND ${CMAKE_COMMAND} -E create_symlink Quonvel.1.gz ${staged}/links/quonvel.1.gz
    DEPENDS ${staged}/man/Quonvel.1
    VERBATIM)
  add_custom_target(quonvel_man_page ALL DEPENDS ${man_page} ${links})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(links)
    install(FILES ${staged}/links/quonvel DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(FILES ${staged}/links/quonvel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()

  # What Debian wants in every package's doc folder: the licence in its
  # machine-readable form and a changelog in its own format, which points to
  # CHANGELOG.md. Its date is the release's heading in CHANGELOG.md; a version
  # not released yet has none and takes the day of the build.
  file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md release
       REGEX "^## \\[${CPACK_PACKAGE_VERSION}\\] - [0-9]+-[0-9]+-[0-9]+$")
  if(NOT release MATCHES "([0-9]+)-([0-9]+)-([0-9]+)$")
    string(TIMESTAMP today "%Y-%m-%d" UTC)
    string(REGEX MATCH "([0-9]+)-([0-9]+)-([0-9]+)" today "${today}")
  endif()
  set(year ${CMAKE_MATCH_1})
  math(EXPR month "${CMAKE_MATCH_2}")
  math(EXPR day "${CMAKE_MATCH_3}")
  # Sakamoto's day of the week, 0 for Sunday.
  set(offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR index "${month} - 1")
  list(GET offsets ${index} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${y} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day}) % 7")
  set(day_names Sun Mon Tue Wed Thu Fri Sat)
  set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET day_names ${weekday} day_name)
  list(GET month_names ${index} month_name)
  string(LENGTH "${day}" digits)
  if(digits EQUAL 1)
    set(day "0${day}")
  endif()
  set(QUONVEL_RELEASE_DATE "${day_name}, ${day} ${month_name} ${year} 00:00:00 +0000")
  configure_file(${PROJECT_SOURCE_DIR}/res/changelog.Debian.in ${staged}/changelog @ONLY)
  add_custom_command(OUTPUT ${staged}/changelog.gz
    COMMAND ${QUONVEL_GZIP} -9nkf ${staged}/changelog
    DEPENDS ${staged}/changelog
    VERBATIM)
  add_custom_target(quonvel_changelog ALL DEPENDS ${staged}/changelog.gz)
  install(FILES ${PROJECT_SOURCE_DIR}/res/copyright ${staged}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()

set(CPACK_PACKAGE_NAME Quonvel)
set(CPACK_PACKAGE_VENDOR "Quonvel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Formats the TriCore toolchain's output messages for IDEs and CI")
# Lines of at most 80 characters, as Debian's tools show them. Every program
# and layout (--Format's name in brackets) is named: a test checks it.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quonvel reads a captured log of the TriCore C compiler (ctc), C++ compiler\n"
  "(cptc) and linker (ltc) and writes each diagnostic in the layout of the MSVC\n"
  "output window (msvc), so that Visual Studio lists them and jumps to their\n"
  "source lines; on request in those of MSBuild (msbuild), GCC (gcc), SARIF\n"
  "(sarif), GitHub Actions (github), Azure Pipelines (azure) and GitLab Code\n"
  "Quality (codequality).")
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
