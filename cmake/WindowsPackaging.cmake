# The Windows installer and portable zip (packaging/windows/make-packages), made with every build of
# the programs when NSIS is installed (scripts/install-deps-windows), in build/windows/packages.
find_program(KORVANE_MAKENSIS makensis)
find_program(KORVANE_MINGW_STRIP x86_64-w64-mingw32-strip)
if(NOT KORVANE_MAKENSIS OR NOT KORVANE_MINGW_STRIP)
    message(STATUS "No makensis or mingw strip: no Windows installer (scripts/install-deps-windows)")
    return()
endif()

set(KORVANE_PACKAGES_DIR ${PROJECT_BINARY_DIR}/packages)
set(KORVANE_SETUP_EXE ${KORVANE_PACKAGES_DIR}/korvane-server-${PROJECT_VERSION}-setup.exe)
set(KORVANE_PORTABLE_ZIP ${KORVANE_PACKAGES_DIR}/korvane-server-${PROJECT_VERSION}-windows-x64.zip)
file(GLOB korvane_guide_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
add_custom_command(OUTPUT ${KORVANE_SETUP_EXE} ${KORVANE_PORTABLE_ZIP}
    COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/windows/make-packages ${PROJECT_VERSION}
            $<TARGET_FILE:korvane-server> $<TARGET_FILE:korvane-host> ${KORVANE_PACKAGES_DIR}
    DEPENDS korvane-server korvane-host
            ${PROJECT_SOURCE_DIR}/packaging/windows/make-packages
            ${PROJECT_SOURCE_DIR}/packaging/windows/korvane-server.nsi
            ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_SOURCE_DIR}/docs/guide.md
            ${PROJECT_SOURCE_DIR}/docs/guide.ja.md ${PROJECT_SOURCE_DIR}/win/korvane-server.ico
            ${korvane_guide_images}
    COMMENT "Making the Windows installer and portable zip")
add_custom_target(korvane-windows-packages ALL DEPENDS ${KORVANE_SETUP_EXE} ${KORVANE_PORTABLE_ZIP})
