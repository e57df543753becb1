# Icon, desktop integration, `cmake --install` and the Debian package.
#
# Layout of an installed copy (prefix /usr for the package):
#   bin/vard
#   share/vard/LMImages/*.bmp, share/vard/vard_<language>.qm   (the program's own files)
#   share/applications/org.vard.Vard.desktop
#   share/metainfo/org.vard.Vard.metainfo.xml
#   share/icons/hicolor/scalable/apps/org.vard.Vard.svg, .../<n>x<n>/apps/org.vard.Vard.png
#   share/man/man1/vard.1.gz
#   share/doc/vard/copyright
# On Windows the program's own files go beside the executable, which keeps the copy
# portable (settings beside it too).

set(VARD_ICON_SVG ${CMAKE_SOURCE_DIR}/dist/vard.svg)
set(VARD_ICON_SIZES 16 22 24 32 48 64 128 256)
set(VARD_ICON_DIR ${CMAKE_BINARY_DIR}/generated/icons)

add_executable(vard_gen_icons tools/gen_icons.cpp)
target_link_libraries(vard_gen_icons PRIVATE Qt6::Gui Qt6::Svg vard_warnings)
set_target_properties(vard_gen_icons PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(VARD_ICON_PNGS)
foreach(size IN LISTS VARD_ICON_SIZES)
  list(APPEND VARD_ICON_PNGS ${VARD_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${VARD_ICON_PNGS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VARD_ICON_DIR}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0
          $<TARGET_FILE:vard_gen_icons> ${VARD_ICON_SVG} ${VARD_ICON_DIR} ${VARD_ICON_SIZES}
  DEPENDS vard_gen_icons ${VARD_ICON_SVG}
  COMMENT "Drawing the application icon"
  VERBATIM
)
add_custom_target(vard_icons ALL DEPENDS ${VARD_ICON_PNGS})

# The window icon is compiled in, so the program needs no image plugin for it.
set_source_files_properties(${VARD_ICON_DIR}/32.png ${VARD_ICON_DIR}/64.png ${VARD_ICON_DIR}/256.png
                            PROPERTIES GENERATED TRUE)
set_source_files_properties(${VARD_ICON_DIR}/256.png PROPERTIES QT_RESOURCE_ALIAS vard.png)
set_source_files_properties(${VARD_ICON_DIR}/64.png PROPERTIES QT_RESOURCE_ALIAS vard-64.png)
set_source_files_properties(${VARD_ICON_DIR}/32.png PROPERTIES QT_RESOURCE_ALIAS vard-32.png)
qt_add_resources(vard "icons"
  PREFIX "/icons"
  FILES ${VARD_ICON_DIR}/256.png ${VARD_ICON_DIR}/64.png ${VARD_ICON_DIR}/32.png
)
add_dependencies(vard vard_icons)

# The man page is installed compressed, as Debian wants it.
set(VARD_MAN_PAGE ${CMAKE_BINARY_DIR}/generated/vard.1.gz)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(
  OUTPUT ${VARD_MAN_PAGE}
  COMMAND ${GZIP_PROGRAM} -9 -n -c ${CMAKE_SOURCE_DIR}/dist/vard.1 > ${VARD_MAN_PAGE}
  DEPENDS ${CMAKE_SOURCE_DIR}/dist/vard.1
  COMMENT "Compressing the man page"
)
add_custom_target(vard_man ALL DEPENDS ${VARD_MAN_PAGE})

if(WIN32)
  set(VARD_INSTALL_SHARE ${CMAKE_INSTALL_BINDIR})
else()
  set(VARD_INSTALL_SHARE ${CMAKE_INSTALL_DATADIR}/vard)
endif()

install(TARGETS vard RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VARD_MACHINE_PICTURES} DESTINATION ${VARD_INSTALL_SHARE}/LMImages)
install(FILES ${VARD_QM_FILES} DESTINATION ${VARD_INSTALL_SHARE})
if(NOT WIN32)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${VARD_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CMAKE_SOURCE_DIR}/dist/${VARD_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${VARD_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
          RENAME ${VARD_APP_ID}.svg)
  foreach(size IN LISTS VARD_ICON_SIZES)
    install(FILES ${VARD_ICON_DIR}/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VARD_APP_ID}.png)
  endforeach()
  install(FILES ${VARD_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vard RENAME copyright)
else()
  install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# `cpack` in the build folder (or `cmake --build <build> --target package`) makes
# vard_<version>_<arch>.deb. The libraries come from dpkg-shlibdeps; the platform plugin
# and Qt's German dialog texts are loaded at run time, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vard)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vard developers")
set(CPACK_PACKAGE_CONTACT "Vard developers <vard@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "operate and watch a soldering machine on a serial line")
set(CPACK_PACKAGE_DESCRIPTION
    "Vard is the operator's program for a conveyor reflow oven and for convection and\n"
    "infrared soldering machines on RS-232: it finds the machine, polls and shows its\n"
    "temperatures, fans, chain speed and state, sends set-points and profiles, keeps a\n"
    "machine log and records temperature measurements. English and German.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
include(CPack)
