# Installation as a desktop program, and the Debian package.
#
# `cmake --install` puts the programs in bin/ (src/CMakeLists.txt) and, under share/, the files
# that make Kalvane known to the desktop: the menu entry, the .kv3 document type, the icons of
# the program and of its documents, and the description software centres show. `cpack` makes
# the .deb of the same files, installed under /usr.
#
# resources/desktop/ holds those files laid out as they are installed, and the program carries
# the same folder in its resources: `kalvane -r` writes it into the user's own data folder, only
# the desktop entry's Exec and TryExec then naming the program's absolute path (see
# src/app/registration.cpp). The program's icon, resources/kalvane.svg, joins them as the
# scalable one.
include(GNUInstallDirs)

set(kalvane_resources ${PROJECT_SOURCE_DIR}/resources)
set(kalvane_app_id org.kalvane.Kalvane)

install(DIRECTORY ${kalvane_resources}/desktop/ DESTINATION ${CMAKE_INSTALL_DATADIR})
install(FILES ${kalvane_resources}/kalvane.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
configure_file(${kalvane_resources}/${kalvane_app_id}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${kalvane_app_id}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${kalvane_app_id}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The PNG icons are kept in the repository, so that building needs no SVG converter; after a
# change of an SVG, `cmake --build BUILD --target kalvane_desktop_icons` draws them again. Up to
# 24 pixels they are drawn from the simpler designs of resources/small-icons/ (bolder, without
# the fraction, whose letters would be a blur), from 32 pixels from the scalable icons.
find_program(KALVANE_RSVG_CONVERT rsvg-convert)
if(KALVANE_RSVG_CONVERT)
  set(kalvane_icon_commands)
  foreach(size 16 22 24 32 48 64 128 256)
    foreach(kind_and_name "apps;kalvane" "mimetypes;application-x-kalvane-equation")
      list(GET kind_and_name 0 kind)
      list(GET kind_and_name 1 name)
      if(size LESS_EQUAL 24)
        set(source ${kalvane_resources}/small-icons/${name}.svg)
      elseif(kind STREQUAL "apps")
        set(source ${kalvane_resources}/kalvane.svg)
      else()
        set(source ${kalvane_resources}/desktop/icons/hicolor/scalable/${kind}/${name}.svg)
      endif()
      set(folder ${kalvane_resources}/desktop/icons/hicolor/${size}x${size}/${kind})
      list(APPEND kalvane_icon_commands
           COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
           COMMAND ${KALVANE_RSVG_CONVERT} --width ${size} --height ${size}
                   --output ${folder}/${name}.png ${source})
    endforeach()
  endforeach()
  add_custom_target(kalvane_desktop_icons ${kalvane_icon_commands}
                    COMMENT "Drawing the desktop icons into resources/desktop/icons" VERBATIM)
endif()

# The Debian package. Everything the install puts under its prefix goes in, under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kalvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Kalvane developers")
set(CPACK_PACKAGE_CONTACT "Kalvane developers <developers@kalvane.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "equation editor with a linear input syntax")
# The long description, in lines short enough for a terminal; "." is an empty line.
set(CPACK_PACKAGE_DESCRIPTION
    "Kalvane typesets an equation as it is typed in a compact linear syntax
(x^2+1, (a+b)/2, sqrt(b2-4ac), int(0,1)): fraction bars, raised exponents,
root signs, stretched brackets, integrals with limits, matrices and vectors,
in the fonts, sizes and colours chosen.
.
The package holds the desktop editor (kalvane); the command-line program
(kalvane-cli), which draws equations as SVG, PNG, PDF or WMF pictures
without a display; and the extension that places equations in LibreOffice
Writer documents.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://kalvane.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CPACK_PACKAGE_HOMEPAGE_URL})
# The libraries Kalvane builds are linked in; dpkg-shlibdeps (dpkg-dev) turns the system's
# shared libraries the programs load (Qt 6, cairo, libgsf...) into Depends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Used at run time without being linked: the fonts of the default settings and the Symbol
# font's stand-in, and xdg-open; LibreOffice Writer with its Python bridge runs the extension.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-urw-base35, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-writer, python3-uno")
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

# The package's files are installed into CPack's staging folder through DESTDIR (made sure of
# here, whatever CPack's default), under the prefix /usr whatever the build tree's own: with
# DESTDIR set, the install of the Writer extension (integrations/libreoffice) knows that it is
# staging a package and leaves the LibreOffice of the machine building it alone.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

# The maintainer scripts add the Writer extension to LibreOffice for all users on installation
# and take it out on removal, where LibreOffice is installed. The menu, the document type and
# the icons need no script: the packages owning the desktop's databases (desktop-file-utils,
# shared-mime-info, hicolor-icon-theme) update them through dpkg triggers on their folders.
file(STRINGS ${PROJECT_SOURCE_DIR}/integrations/libreoffice/description.xml.in kalvane_identifier
     REGEX "<identifier value=\"[^\"]+\"")
string(REGEX REPLACE ".*<identifier value=\"([^\"]+)\".*" "\\1" KALVANE_WRITER_EXTENSION_ID
       "${kalvane_identifier}")
set(KALVANE_PACKAGE_OXT
    ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/kalvane/kalvane-writer.oxt)
foreach(script postinst prerm)
  configure_file(${kalvane_resources}/debian/${script}.in ${PROJECT_BINARY_DIR}/debian/${script}
                 @ONLY)
  list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/${script})
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
