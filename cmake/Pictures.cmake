# The pictures of the graphic view are drawn by a small generator at build time:
#  - LMImages/*.bmp beside the program, which loads them from its own folder when a
#    machine type is set up;
#  - the start picture, compiled into vardui as the resource :/pictures/start.png.
# They are drawn again whenever the generator changes.

add_executable(vard_gen_pictures tools/gen_pictures.cpp)
target_link_libraries(vard_gen_pictures PRIVATE Qt6::Gui vard_warnings)
# Keep the helper out of the program's folder.
set_target_properties(vard_gen_pictures PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)

set(VARD_PICTURE_DIR ${CMAKE_BINARY_DIR}/LMImages)
set(VARD_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(VARD_START_PICTURE ${VARD_GENERATED_DIR}/start.png)
set(VARD_MACHINE_PICTURES
  ${VARD_PICTURE_DIR}/Default.bmp
  ${VARD_PICTURE_DIR}/LM4QTR.bmp
  ${VARD_PICTURE_DIR}/LM362_04.bmp
  ${VARD_PICTURE_DIR}/LM362_07.bmp
  ${VARD_PICTURE_DIR}/LM362_10.bmp
)

# The generator runs as a build step without a display. In the sanitizer builds it is
# instrumented too, but the leaks and races reported there live in the uninstrumented
# font and painting libraries (the raster engine paints on pooled threads), not in the
# generator, so they must not stop the build.
add_custom_command(
  OUTPUT ${VARD_MACHINE_PICTURES} ${VARD_START_PICTURE}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 TSAN_OPTIONS=report_bugs=0
          $<TARGET_FILE:vard_gen_pictures> ${VARD_PICTURE_DIR} ${VARD_START_PICTURE}
  DEPENDS vard_gen_pictures
  COMMENT "Drawing the machine pictures"
  VERBATIM
)
add_custom_target(vard_pictures ALL DEPENDS ${VARD_MACHINE_PICTURES} ${VARD_START_PICTURE})
add_dependencies(vard vard_pictures)

set_source_files_properties(${VARD_START_PICTURE} PROPERTIES GENERATED TRUE)
qt_add_resources(vardui "pictures"
  PREFIX "/pictures"
  BASE ${VARD_GENERATED_DIR}
  FILES ${VARD_START_PICTURE}
)
