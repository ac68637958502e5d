# The Debian packages, made by `cpack` in the build folder (scripts/package does it all):
#   korvane-server  the window program, its menu entry, icons, AppStream metainfo and manual page,
#                   and korvane-host, the same server without a window, with its manual page;
#   korvane-tools   korvane-phone and korvane-load with their manual pages. Kept apart because they
#                   need neither Qt nor the Japanese fonts: korvane-phone checks a setup from any
#                   PC on the LAN, and a shop's PC has no use for the load tool.
# A program installed with COMPONENT server or COMPONENT tools lands in that package; its manual
# page is docs/man/<program>.1.in, listed in kManualPages below.

# Where the project lives on the web; a reserved name until it has one of its own.
set(KORVANE_HOMEPAGE "https://korvane.example")
set(KORVANE_APPSTREAM_ID "example.korvane.server")
set(KORVANE_MAINTAINER "KORVANE Server developers <maintainers@korvane.example>")
# Honours SOURCE_DATE_EPOCH, for a build that must come out the same twice.
string(TIMESTAMP KORVANE_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP KORVANE_CHANGELOG_DATE "%a, %d %b %Y 00:00:00 +0000" UTC)

set(packagingDir ${PROJECT_BINARY_DIR}/packaging)
set(kManualPages server:korvane-server server:korvane-host tools:korvane-phone tools:korvane-load)
set(compressed)

# Debian wants manual pages and changelogs compressed with gzip -9n.
function(korvane_gzip file)
    add_custom_command(OUTPUT ${file}.gz
        COMMAND gzip -9nkf ${file}
        DEPENDS ${file}
        COMMENT "Compressing ${file}")
    set(compressed ${compressed} ${file}.gz PARENT_SCOPE)
endfunction()

foreach(entry ${kManualPages})
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 component)
    list(GET entry 1 program)
    configure_file(docs/man/${program}.1.in ${packagingDir}/man/${program}.1 @ONLY)
    korvane_gzip(${packagingDir}/man/${program}.1)
    install(FILES ${packagingDir}/man/${program}.1.gz DESTINATION share/man/man1
        COMPONENT ${component})
endforeach()

configure_file(packaging/changelog.in ${packagingDir}/changelog @ONLY)
korvane_gzip(${packagingDir}/changelog)
foreach(package server tools)
    install(FILES packaging/copyright ${packagingDir}/changelog.gz
        DESTINATION share/doc/korvane-${package} COMPONENT ${package})
endforeach()

configure_file(packaging/korvane-server.metainfo.xml.in
    ${packagingDir}/${KORVANE_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${packagingDir}/${KORVANE_APPSTREAM_ID}.metainfo.xml DESTINATION share/metainfo
    COMPONENT server)

add_custom_target(korvane-package-files ALL DEPENDS ${compressed})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane-server)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KORVANE Server developers")
set(CPACK_PACKAGE_CONTACT "${KORVANE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL server tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${KORVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KORVANE_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_SERVER_PACKAGE_NAME korvane-server)
# Loaded at run time, so not found by shlibdeps: the window's Japanese font; Qt's Wayland
# platform plugin, without which the window is an X11 one under XWayland in a Wayland session.
set(CPACK_DEBIAN_SERVER_PACKAGE_DEPENDS "fonts-noto-cjk, qt6-wayland")
# Recommended: the accessibility bus through which the text caret is found for a capture; Qt's own
# translations, which give the standard buttons the session's language.
set(CPACK_DEBIAN_SERVER_PACKAGE_RECOMMENDS "at-spi2-core, qt6-translations-l10n")
set(CPACK_DEBIAN_SERVER_PACKAGE_SUGGESTS "korvane-tools")
set(CPACK_DEBIAN_SERVER_DESCRIPTION
"type the barcodes a phone scans into the focused window
KORVANE Server is the PC side of the KORVANE barcode reader. A phone running
the KORVANE app joins the PC's LAN and scans the QR code in the window to
learn the address and port. Each barcode the phone scans is then typed into
the window that has the keyboard focus, followed by Enter or Tab, and the
phone can receive a capture of the screen around the text caret.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME korvane-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SOURCE korvane-server)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
"phone simulator and load tool for KORVANE Server
korvane-phone sends one request to a KORVANE server as the phone app does,
to check a setup from any PC on the LAN. korvane-load drives the request
server, hosted on 127.0.0.1, with many phones and hostile peers and reports
throughput, latency and what the server process holds.")

include(CPack)
