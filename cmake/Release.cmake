# Install rules and the release archives (CPack).
#
#   vandrel-<version>-win32.zip, -win64.zip: the launcher, tunegate, the
#     configuring packer, the README and the user's documents (docs/), and
#     the licence;
#   vandrel-<version>-linux-x86_64.tar.gz: the same for Linux, plus the win32
#     and win64 launchers (VANDREL_RELEASE_WIN32_LAUNCHER and ..._WIN64_...),
#     so that a Linux build host can make Windows programs from it alone;
#   vandrel-maven-plugin-<version>.jar and .pom, made by the Linux build from
#     the same launchers and the Windows vandrel-pack (..._WINDOWS_PACK).
#
# scripts/release.sh drives the three builds; the same sources give the same
# archives (SOURCE_DATE_EPOCH for every time stamp, fixed modes, no build
# paths in the binaries).

set(VANDREL_RELEASE_WIN32_LAUNCHER "" CACHE FILEPATH "win32 vandrel.exe to put into the Linux archive")
set(VANDREL_RELEASE_WIN64_LAUNCHER "" CACHE FILEPATH "win64 vandrel.exe to put into the Linux archive")
set(VANDREL_RELEASE_WINDOWS_PACK "" CACHE FILEPATH "Windows vandrel-pack.exe for the Maven plugin to carry")

# The Maven plugin carries both launchers and vandrel-pack for Windows and for
# Linux x86_64 (this build's, linked statically): it is built where all of
# them are at hand.
if(NOT VANDREL_WINDOWS AND NOT VANDREL_SANITIZE AND CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64"
   AND VANDREL_RELEASE_WIN32_LAUNCHER AND VANDREL_RELEASE_WIN64_LAUNCHER AND VANDREL_RELEASE_WINDOWS_PACK)
  add_subdirectory(${PROJECT_SOURCE_DIR}/maven-plugin ${PROJECT_BINARY_DIR}/maven-plugin)
endif()

# What a user of the programs reads: the README whole and, in docs/, the
# documents its links lead to (every document but those about working on the
# sources), so that the links work in the unpacked archive. The release test
# (tests/e2e/windows/release_test.sh) lists the same documents.
set(VANDREL_USER_DOCS
  changelog.md
  configuration.md
  deliberate-differences.md
  maven.md
  packing.md
  runtime-search.md
  signing.md
  startup.md
  tunegate.md
  windows.md)
list(TRANSFORM VANDREL_USER_DOCS PREPEND ${PROJECT_SOURCE_DIR}/docs/ OUTPUT_VARIABLE user_docs)

set(programs vandrel tunegate)
if(TARGET vandrel-pack)
  list(APPEND programs vandrel-pack)
endif()
if(VANDREL_WINDOWS)
  # The images themselves, already stripped when linked (no import library).
  foreach(target ${programs})
    install(PROGRAMS $<TARGET_FILE:${target}> DESTINATION .)
  endforeach()
else()
  install(TARGETS ${programs} RUNTIME DESTINATION . LIBRARY DESTINATION .)
  foreach(bits 32 64)
    set(launcher ${VANDREL_RELEASE_WIN${bits}_LAUNCHER})
    if(launcher)
      install(PROGRAMS ${launcher} DESTINATION win${bits})
    endif()
  endforeach()
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
install(FILES ${user_docs} DESTINATION docs)

if(VANDREL_WINDOWS)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(system win32)
  else()
    set(system win64)
  endif()
  set(CPACK_GENERATOR ZIP)
else()
  set(system linux-${CMAKE_SYSTEM_PROCESSOR})
  set(CPACK_GENERATOR TGZ)
  set(CPACK_STRIP_FILES ON)
endif()
set(CPACK_PACKAGE_NAME vandrel)
set(CPACK_PACKAGE_VENDOR "The vandrel developers")
set(CPACK_PACKAGE_VERSION ${VANDREL_VERSION})
set(CPACK_PACKAGE_FILE_NAME vandrel-${VANDREL_VERSION}-${system})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
