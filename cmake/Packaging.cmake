# A Debian package of everything the install rules put in place: every
# installed target, the resources and the desktop files, so that a program
# added with its own install(TARGETS) rule comes along without a change here.
# `cmake --build build --target package` writes keystamp_<version>_<arch>.deb.

set(KEYSTAMP_MAINTAINER "Keystamp maintainers <maintainers@keystamp.example.org>"
  CACHE STRING "Package maintainer")

# Debian wants a copyright file and a compressed changelog beside it (a
# native package's is changelog.gz). The
# changelog's one entry names the version being built.
string(TIMESTAMP KEYSTAMP_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(KEYSTAMP_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog)
file(WRITE ${KEYSTAMP_CHANGELOG}
  "keystamp (${PROJECT_VERSION}) stable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${KEYSTAMP_MAINTAINER}  ${KEYSTAMP_CHANGELOG_DATE}\n")
execute_process(COMMAND gzip -9nf ${KEYSTAMP_CHANGELOG} COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${KEYSTAMP_CHANGELOG}.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME keystamp)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KEYSTAMP_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KEYSTAMP_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${PROJECT_HOMEPAGE_URL})
# The first line is the synopsis, the rest the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "code behaviour while watching a video
Keystamp is a tool for observers who code behaviour from video. Every key
press while a video plays becomes one time-stamped line in an on-screen
transcript, with the video position, the clock time and the key's name.
Without a video it works as a stopwatch for live coding. Transcripts are
saved as plain text files in the user's Documents folder.")
# Libraries the programs link: found by dpkg-shlibdeps from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Used at run time but never linked: the transcript's fixed-width font and
# software OpenGL for the video where the machine has no GPU driver.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, libgl1-mesa-dri")

include(CPack)
