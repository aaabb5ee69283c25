# Installation and the Debian package. `cmake --install` puts the programs
# in PREFIX/bin, the translation catalogues the project ships (locale/*.ts,
# none yet: tests/locale holds test catalogues only) in PREFIX/lib/locale,
# which is created in any case, so that ORVANTADIR=PREFIX is all a user sets,
# the shipped profiles in PREFIX/share/kyvld (kyvld -RULE=focused finds them
# by name), the manual pages in PREFIX/share/man/man1 and the documents in
# PREFIX/share/doc/kyvld. The package has the same layout under /usr, where a
# user's PATH finds the programs, and passes lintian without error.

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

# Profiles: kyvld -RULE=NAME reads PREFIX/share/kyvld/NAME.xml.
file(GLOB KYV_PROFILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/config/*.xml)
install(FILES ${KYV_PROFILES} DESTINATION share/kyvld)

# Manual pages: man/PROGRAM.1.scd, one source per program, built by scdoc
# and compressed as Debian installs them (gzip -9n: no name, no time).
find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)
file(GLOB KYV_MAN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/man/*.scd)
set(KYV_MAN_PAGES)
foreach(source ${KYV_MAN_SOURCES})
  get_filename_component(page ${source} NAME_WLE)
  set(output ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
                     COMMAND sh -c "\"$1\" <\"$2\" | \"$3\" -9n >\"$4\"" sh ${SCDOC} ${source} ${GZIP} ${output}
                     DEPENDS ${source} COMMENT "scdoc ${page}" VERBATIM)
  list(APPEND KYV_MAN_PAGES ${output})
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${KYV_MAN_PAGES})
install(FILES ${KYV_MAN_PAGES} DESTINATION share/man/man1)

# Documents: the copyright, the changelog as Debian keeps a native package's,
# and every Markdown file of doc/ (the rules' help the SARIF log links to).
set(KYV_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${KYV_CHANGELOG}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                   COMMAND sh -c "\"$1\" -9n <\"$2\" >\"$3\"" sh ${GZIP}
                           ${CMAKE_SOURCE_DIR}/packaging/changelog ${KYV_CHANGELOG}
                   DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog COMMENT "changelog.gz" VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${KYV_CHANGELOG})
# The changelog's newest entry must be this version, or lintian refuses the package.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog KYV_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT KYV_CHANGELOG_TOP MATCHES "^kyvld \\(${KYV_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with version ${KYV_VERSION}")
endif()
file(GLOB KYV_USER_DOCS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/doc/*.md)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${KYV_CHANGELOG} ${KYV_USER_DOCS}
        DESTINATION share/doc/kyvld)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kyvld)
set(CPACK_PACKAGE_VERSION ${KYV_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "whole-program review of C code")
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "kyvscan parses the units of a C project with libclang into xob files; kyvld
links them into one program model and reports what only the whole program
shows (recursion, declarations without definition, functions never called,
confusable and reused names) in an XML review report; kyvreport turns the
report into a SARIF 2.1.0 log and an HTML page.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Orvanta developers <kyvld@orvanta.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt5core5a (>= 5.15), libclang1-14, libxxhash0, zlib1g, libstdc++6, libgcc-s1, libc6")
# Debian ships programs stripped, their debugging symbols apart.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
