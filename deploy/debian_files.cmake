# What Debian's policy asks of a package beside its programs, made at build
# time in the build folder:
#   totem_package_file(FILE)            FILE, made by a rule here, is built with
#                                       everything (target package_files)
#   totem_install_doc(COMPONENT DIR FILE...)  documentation, compressed
#   totem_changelog()                   the changelog, compressed
#   totem_debian_files(COMPONENT PACKAGE)     copyright and changelog in
#                                       /usr/share/doc/PACKAGE, lintian overrides
#   totem_manual_page(COMPONENT PROGRAM NAME) the program's page, made by
#                                       help2man from its --help (man/)
# Everything compressed is compressed with "gzip -9n": no name or time
# inside, so two builds make the same bytes.
set(TOTEM_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${TOTEM_GENERATED})
set(TOTEM_CHANGELOG ${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog)

# The changelog's latest entry is the version the project builds.
file(STRINGS ${TOTEM_CHANGELOG} top LIMIT_COUNT 1)
string(REGEX MATCH "\\(([^)]+)\\)" version "${top}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "deploy/debian/changelog starts with ${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}: "
                      "add the new version's entry")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TOTEM_CHANGELOG})

function(totem_package_file file)
  set_property(GLOBAL APPEND PROPERTY TOTEM_PACKAGE_FILES ${file})
endfunction()

function(totem_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${source} ${output}
    DEPENDS ${source} VERBATIM)
  totem_package_file(${output})
endfunction()

# Every guide and example is larger than the 4 KiB past which the policy
# wants a file of /usr/share/doc compressed, so all are.
function(totem_install_doc component destination)
  foreach(source IN LISTS ARGN)
    get_filename_component(source ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME)
    string(MAKE_C_IDENTIFIER ${destination} folder)
    set(output ${TOTEM_GENERATED}/${folder}/${name}.gz)
    totem_gzip(${source} ${output})
    install(FILES ${output} DESTINATION ${destination} COMPONENT ${component})
  endforeach()
endfunction()

# The packages are native (the project is its own upstream, the version has
# no Debian revision): lintian wants their changelog as changelog.gz, made
# once by totem_changelog() for both.
function(totem_changelog)
  totem_gzip(${TOTEM_CHANGELOG} ${TOTEM_GENERATED}/changelog.gz)
endfunction()
function(totem_debian_files component package)
  set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package})
  install(FILES debian/copyright ${TOTEM_GENERATED}/changelog.gz DESTINATION ${docdir} COMPONENT ${component})
  set(overrides ${CMAKE_CURRENT_SOURCE_DIR}/debian/${package}/lintian-overrides)
  if(EXISTS ${overrides})
    install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${package}
            COMPONENT ${component})
  endif()
endfunction()

# help2man's headings in Portuguese need the pt_BR locale: compiled into the
# build folder from the locales package, the system's own left alone.
set(TOTEM_LOCALES ${TOTEM_GENERATED}/locale)
add_custom_command(OUTPUT ${TOTEM_LOCALES}/pt_BR.UTF-8/LC_CTYPE
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TOTEM_LOCALES}
  COMMAND localedef -i pt_BR -f UTF-8 ${TOTEM_LOCALES}/pt_BR.UTF-8
  COMMENT "Compiling the pt_BR locale for the manual pages" VERBATIM)

function(totem_manual_page component program name)
  set(page ${TOTEM_GENERATED}/${program}.1.gz)
  set(script ${CMAKE_CURRENT_SOURCE_DIR}/man/manual-page)
  set(include ${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.h2m)
  add_custom_command(OUTPUT ${page}
    COMMAND ${script} $<TARGET_FILE:${program}> ${name} ${include} ${TOTEM_CHANGELOG} ${TOTEM_LOCALES} ${page}
    DEPENDS ${program} ${script} ${include} ${TOTEM_CHANGELOG} ${TOTEM_LOCALES}/pt_BR.UTF-8/LC_CTYPE
    COMMENT "Writing the manual page of ${program}" VERBATIM)
  totem_package_file(${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${component})
endfunction()
