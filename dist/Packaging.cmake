# Two Debian packages from CPack: vellum-cli holds vlm alone and needs no Qt;
# vellum holds the desktop program and depends on vellum-cli. Everything not
# marked as the command line's (component cli) is the desktop program's (gui).

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli gui)
set(CPACK_PACKAGE_NAME vellum)
set(CPACK_PACKAGE_VENDOR Orrindale)
set(CPACK_PACKAGE_CONTACT "Vellum maintainers <maintainers@users.noreply.c-seed-a489dbfc.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's synopsis is the first line of its own description below.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION otherosfs)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})

set(CPACK_DEBIAN_CLI_PACKAGE_NAME vellum-cli)
set(CPACK_DEBIAN_CLI_DESCRIPTION "diskette and diskette image tool for the command line
vlm reads, writes, compares and rescues 3.5-inch and 5.25-inch diskettes
(360 KB to 2.88 MB, and 1.68 MB DMF) and works on Vellum files (.VLM) and
raw diskette images: it lists and extracts their FAT12 files, adds,
removes and renames files, sets labels, and splits and joins big files.
Drives are virtual (image files) unless set to a real floppy device, so a
rescue can be rehearsed with bad, weak and slow sectors. Output can be
JSON. vlm needs no graphical libraries.")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "gddrescue")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME vellum)
set(CPACK_DEBIAN_GUI_DESCRIPTION "diskette utility for the desktop
Vellum holds one whole diskette as a sector image in memory: it loads a
diskette into it, writes it to one or many diskettes with format and
verify, compares a diskette with it sector by sector, formats 1.68 MB DMF
diskettes, keeps images as compressed .VLM files or raw images, browses
their FAT12 folders, and splits big files into diskette-sized pieces.
Its drives are virtual (image files) unless set to real floppy devices.")
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "vellum-cli (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "mtools")

# What Debian asks of every package: its copyright and changelog in its doc folder.
set(changelog ${PROJECT_BINARY_DIR}/dist/changelog)
execute_process(COMMAND date -u -R -d ${VELLUM_RELEASE_DATE} OUTPUT_VARIABLE release_date
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${changelog} "vellum (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}; CHANGES.md tells what it brought.

 -- ${CPACK_PACKAGE_CONTACT}  ${release_date}
")
add_custom_command(OUTPUT ${changelog}.gz
  COMMAND gzip -9n -c ${changelog} > ${changelog}.gz
  DEPENDS ${changelog})
add_custom_target(changelog ALL DEPENDS ${changelog}.gz)
foreach(pair cli:vellum-cli gui:vellum)
  string(REPLACE ":" ";" pair ${pair})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${PROJECT_SOURCE_DIR}/copyright ${changelog}.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian/vellum-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  COMPONENT cli)

include(CPack)
