# What users install, and the packages CPack makes of it: on POSIX hosts the
# program, its manual page (gzipped), the copyright and the changelog, as a
# Debian package; on Windows a zip of the program (with its version
# resource), a README for Windows users, the licence and a drop target.
include(GNUInstallDirs)
set(D88_CONTACT "the d88extract authors <d88extract@maintainers.invalid>")

if(WIN32)
  install(TARGETS d88extract extract-here RUNTIME DESTINATION .)
  install(FILES packaging/windows/README-Windows.txt DESTINATION .)
  # Notepad and other Windows readers want CR LF.
  file(READ LICENSE licence)
  string(REPLACE "\n" "\r\n" licence "${licence}")
  file(WRITE ${CMAKE_BINARY_DIR}/LICENSE.txt "${licence}")
  install(FILES ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "d88extract-${PROJECT_VERSION}-windows-x86_64")
else()
  find_program(GZIP gzip REQUIRED)
  set(docs ${CMAKE_BINARY_DIR}/docs)
  configure_file(man/d88extract.1.in ${docs}/d88extract.1 @ONLY)
  configure_file(packaging/debian/changelog ${docs}/changelog COPYONLY)
  # -n: no name or time stamp in the header, so the packages are reproducible.
  add_custom_command(OUTPUT ${docs}/d88extract.1.gz ${docs}/changelog.gz
    COMMAND ${GZIP} -9nkf ${docs}/d88extract.1 ${docs}/changelog
    DEPENDS ${docs}/d88extract.1 ${docs}/changelog
    VERBATIM)
  add_custom_target(docs ALL DEPENDS ${docs}/d88extract.1.gz ${docs}/changelog.gz)

  install(TARGETS d88extract RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # Stripping keeps the compiler's .comment section, which is no use either.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/d88extract\")
  endif()")
  install(FILES ${docs}/d88extract.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES packaging/debian/copyright ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME d88extract)
set(CPACK_PACKAGE_VENDOR "the d88extract authors")
set(CPACK_PACKAGE_CONTACT "${D88_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "extract the files of PC-98 disks from D88 disk images")
set(CPACK_PACKAGE_DESCRIPTION
  "d88extract reads the first disk of a D88 disk image, the usual container for
dumps of floppy disks, and, when it is a 2DD or 2HD disk in the volume layout
of one family of PC-98 floppies, writes the files of both of its sides into
the current directory, byte for byte, with a listing of every directory entry.

Damaged disks are extracted as far as they can be read, with a warning for
each file that holds sectors that were missing or recorded with an error.
Nothing is ever written outside the current directory, and no file is written
in place: each one is renamed over its name only once written in full.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${D88_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
include(CPack)
