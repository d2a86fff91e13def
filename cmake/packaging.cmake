# What people install: the portable saver as a Debian package, the Windows
# saver as a zip to hand on. `make package` makes both, with CPack.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vendrel Screensaver developers")
set(CPACK_PACKAGE_CONTACT "Vendrel Screensaver developers <developers@vendrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen screen saver of drifting, linked dots")
set(docs ${CMAKE_SOURCE_DIR}/docs)

if(WIN32)
  # The .scr and a read-me, with no folder around them.
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME VendrelScreensaver-${PROJECT_VERSION}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  install(FILES ${CMAKE_BINARY_DIR}/VendrelScreensaver.scr DESTINATION .)
  install(FILES ${docs}/windows-readme.txt DESTINATION . RENAME README.txt)
  # The MIT licence travels with every copy, with Windows line ends.
  configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)
else()
  # Debian keeps manual pages and changelogs compressed, without a date in
  # the gzip header so that the package is the same each time it is built.
  set(man ${CMAKE_BINARY_DIR}/vendrel-screensaver.6.gz)
  set(changelog ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
  add_custom_command(OUTPUT ${man} ${changelog}
    COMMAND gzip -9nc ${docs}/vendrel-screensaver.6 > ${man}
    COMMAND gzip -9nc ${docs}/changelog > ${changelog}
    DEPENDS ${docs}/vendrel-screensaver.6 ${docs}/changelog)
  add_custom_target(package-docs ALL DEPENDS ${man} ${changelog})

  set(doc share/doc/vendrel-screensaver)
  install(TARGETS vendrel-screensaver)
  install(FILES ${man} DESTINATION share/man/man6)
  install(FILES ${docs}/copyright ${changelog} ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${doc})
  install(FILES ${docs}/lintian-overrides DESTINATION share/lintian/overrides
          RENAME vendrel-screensaver)
  # Where the screen-saver frameworks look: the themes of mate-screensaver
  # and xfce4-screensaver, and xscreensaver's description of each hack.
  install(FILES ${docs}/vendrel-screensaver.desktop DESTINATION share/applications/screensavers)
  # mate-screensaver and xfce4-screensaver run only programs in the hacks'
  # folder, where xscreensaver finds them too: a link to the saver.
  file(CREATE_LINK ../../bin/vendrel-screensaver ${CMAKE_BINARY_DIR}/hack-link SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/hack-link DESTINATION libexec/xscreensaver
          RENAME vendrel-screensaver)
  install(FILES ${docs}/vendrel-screensaver.xml DESTINATION share/xscreensaver/config)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME vendrel-screensaver)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # dpkg-shlibdeps works the dependencies out from the binary itself.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The summary above is the synopsis line; this is what follows it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Vendrel Screensaver covers the screen with a dark backdrop on which 150\n\
small coloured dots drift; every two dots close together are joined by a\n\
gray line, brighter the closer they are. Any key, mouse button, the wheel\n\
or mouse motion ends it. Run it from an idle launcher such as xautolock,\n\
or inside xscreensaver, xsecurelock, mate-screensaver or\n\
xfce4-screensaver, which lock the screen and draw it on each monitor.")
endif()
include(CPack)
