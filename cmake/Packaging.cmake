# The Debian package: `cpack -G DEB` in a build tree (scripts/package.sh configures one with
# Debian's build flags and runs it). The manual pages, the AppStream metainfo, the copyright
# file and the changelog are installed here; the programs, the desktop entry, the MIME type and
# the icon by the folders that build them.

if(WIN32)
  if(QU_BUILD_GUI)
    include(${CMAKE_CURRENT_LIST_DIR}/WindowsInstaller.cmake)
  endif()
  return()
endif()

include(GNUInstallDirs)

set(QU_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(QU_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/qu-vellumar)

# Debian wants manual pages and changelogs compressed with gzip -9n (no name or time stamp,
# so the package is the same from one build to the next).
find_program(QU_GZIP gzip REQUIRED)
function(qu_gzipped_file source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${QU_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

set(qu_pages qutrack.1)
if(QU_BUILD_GUI)
  list(APPEND qu_pages qu-vellumar.1)
endif()
set(qu_gzipped)
foreach(page IN LISTS qu_pages)
  qu_gzipped_file(${QU_PACKAGING_DIR}/${page} ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz)
  list(APPEND qu_gzipped ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
qu_gzipped_file(${QU_PACKAGING_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
list(APPEND qu_gzipped ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
add_custom_target(qu_packaging_files ALL DEPENDS ${qu_gzipped})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz ${QU_PACKAGING_DIR}/copyright
        DESTINATION ${QU_DOC_DIR})
if(QU_BUILD_GUI)
  install(FILES ${QU_PACKAGING_DIR}/org.quvellumar.quvellumar.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

set(CPACK_PACKAGE_NAME qu-vellumar)
set(CPACK_PACKAGE_VENDOR "The QU-Vellumar developers")
set(CPACK_PACKAGE_CONTACT "QU-Vellumar developers <qu-vellumar@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reshape the start of a roller-coaster track's Bezier path")
set(CPACK_PACKAGE_INSTALL_DIRECTORY qu-vellumar)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the programs link come from dpkg-shlibdeps, not from a list kept by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The summary above becomes the first line of the description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "QU-Vellumar opens one Quenlor roller-coaster track file (.qutrack),
reshapes the start of the track's Bezier path with its one command,
COMBINE!, and saves the whole track to a file of the user's choosing,
every other byte of meaning carried through unchanged.
COMBINE! fits one cubic Bezier curve through samples of the first N
segments by least squares, keeping the directions at both ends.
The package holds the window, qu-vellumar, and the command-line tool
qutrack, which describes, normalises, combines and plots track files.")

include(CPack)
