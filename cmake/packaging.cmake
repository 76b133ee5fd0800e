# Installation of the manual page and the documents, and the packages built
# from the installed tree with CPack:
#
#   Linux     a Debian package:  cpack --config <build>/CPackConfig.cmake -G DEB
#             quorvex in /usr/bin, quorvex.1 in /usr/share/man/man1,
#             README.md and LICENSE in /usr/share/doc/quorvex.
#   Windows   a zip:             cpack --config <build>/CPackConfig.cmake -G ZIP
#             quorvex.exe, README.md and LICENSE at the top of the zip, the
#             sample table in examples/.
#
# Included from the top-level CMakeLists after install(TARGETS quorvex).

include(GNUInstallDirs)

set(quorvex_readme ${PROJECT_SOURCE_DIR}/README.md)
set(quorvex_license ${PROJECT_SOURCE_DIR}/LICENSE)
set(quorvex_examples ${PROJECT_SOURCE_DIR}/examples/AnimData.qz
                     ${PROJECT_SOURCE_DIR}/examples/AnimData.txt)

install(FILES ${quorvex_readme} ${quorvex_license}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT WIN32)
  # Debian wants its manual pages compressed; gzip -n leaves the time stamp
  # out, so that the same source gives the same package.
  find_program(QUORVEX_GZIP gzip)
  set(quorvex_man_source ${PROJECT_SOURCE_DIR}/man/quorvex.1)
  if(QUORVEX_GZIP)
    set(quorvex_man_page ${PROJECT_BINARY_DIR}/man/quorvex.1.gz)
    add_custom_command(
      OUTPUT ${quorvex_man_page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${QUORVEX_GZIP} -9 -n -c ${quorvex_man_source} > ${quorvex_man_page}
      DEPENDS ${quorvex_man_source}
      COMMENT "Compressing the manual page"
      VERBATIM)
    add_custom_target(quorvex_man_page ALL DEPENDS ${quorvex_man_page})
  else()
    set(quorvex_man_page ${quorvex_man_source})
  endif()
  install(FILES ${quorvex_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# What every package says about itself.
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VENDOR "quorvex developers")
set(CPACK_PACKAGE_CONTACT "quorvex developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "convert an animation table between AnimData.qz and AnimData.txt")
# Kept to short lines: the Debian control file shows them as they are.
set(CPACK_PACKAGE_DESCRIPTION
    "quorvex converts an animation table between the binary file AnimData.qz,
256 bucket blocks of 160-byte records, and the tab-separated text file
AnimData.txt, which can be edited as text and converted back.")
set(CPACK_RESOURCE_FILE_LICENSE ${quorvex_license})
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  # The zip is for unpacking anywhere and running in place: the executable
  # sits beside its documents instead of under bin/. It is made from its own
  # component, which a plain `cmake --install` leaves out.
  install(TARGETS quorvex RUNTIME DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
  install(FILES ${quorvex_readme} ${quorvex_license}
          DESTINATION . COMPONENT zip EXCLUDE_FROM_ALL)
  install(FILES ${quorvex_examples}
          DESTINATION examples COMPONENT zip EXCLUDE_FROM_ALL)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL zip)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGE_FILE_NAME quorvex-${PROJECT_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME quorvex)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "quorvex developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The executable needs the C and C++ runtime libraries only; dpkg-shlibdeps
  # finds their packages and versions, and the plain list stands in where it
  # is missing.
  find_program(QUORVEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(QUORVEX_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
  endif()
endif()

include(CPack)
