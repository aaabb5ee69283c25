# Installation and the Debian package. `cmake --install` puts the programs
# in PREFIX/bin and the translation catalogues the project ships (locale/*.ts,
# none yet: tests/locale holds test catalogues only) in PREFIX/lib/locale,
# which is created in any case, so that ORVANTADIR=PREFIX is all a user sets.
# The package has the same layout under /opt/kyvld.

# kyvld's version, read from the one place that states it.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/messages/messages.cpp KYV_VERSION_LINE
     REGEX "VERSION_TEXT\\[\\] = \"[^\"]+\"")
if(NOT KYV_VERSION_LINE MATCHES "\"([^\"]+)\"")
  message(FATAL_ERROR "kyvld's version text not found in src/messages/messages.cpp")
endif()
set(KYV_VERSION ${CMAKE_MATCH_1})

install(TARGETS kyvld RUNTIME DESTINATION bin)
install(DIRECTORY DESTINATION lib/locale)
file(GLOB KYV_SHIPPED_TS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/locale/*.ts)
set(KYV_SHIPPED_QM)
foreach(ts ${KYV_SHIPPED_TS})
  get_filename_component(base ${ts} NAME_WE)
  set(qm ${CMAKE_BINARY_DIR}/locale/${base}.qm)
  add_custom_command(OUTPUT ${qm}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/locale
                     COMMAND ${LRELEASE} -silent ${ts} -qm ${qm}
                     DEPENDS ${ts} COMMENT "lrelease ${base}.ts")
  list(APPEND KYV_SHIPPED_QM ${qm})
endforeach()
if(KYV_SHIPPED_QM)
  add_custom_target(shipped_catalogues ALL DEPENDS ${KYV_SHIPPED_QM})
  install(FILES ${KYV_SHIPPED_QM} DESTINATION lib/locale)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kyvld)
set(CPACK_PACKAGE_VERSION ${KYV_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Link stage of a review tool for C and C++ code, with kyvreport and kyvscan")
set(CPACK_PACKAGING_INSTALL_PREFIX /opt/kyvld)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Orvanta developers")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt5core5a (>= 5.15), libclang1-14, libxxhash0, libstdc++6, libc6")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
