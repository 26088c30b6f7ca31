# The helpers of run, apply and make-bush, which read and write scene, OBJ, SVG and HTML files.
target_sources(vistrelle PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/bush_maker.h ${CMAKE_CURRENT_LIST_DIR}/bush_maker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_budget.h ${CMAKE_CURRENT_LIST_DIR}/disk_budget.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_outputs.h ${CMAKE_CURRENT_LIST_DIR}/frame_outputs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_span.h ${CMAKE_CURRENT_LIST_DIR}/frame_span.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frame_workers.h ${CMAKE_CURRENT_LIST_DIR}/frame_workers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/option_controls.h ${CMAKE_CURRENT_LIST_DIR}/usage_error.h
  ${CMAKE_CURRENT_LIST_DIR}/output_folder.h ${CMAKE_CURRENT_LIST_DIR}/output_folder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/output_names.h ${CMAKE_CURRENT_LIST_DIR}/output_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/progress_line.h ${CMAKE_CURRENT_LIST_DIR}/progress_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resolved_target.h ${CMAKE_CURRENT_LIST_DIR}/resolved_target.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_object.h
  ${CMAKE_CURRENT_LIST_DIR}/run_views.h ${CMAKE_CURRENT_LIST_DIR}/run_views.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shown_settings.h ${CMAKE_CURRENT_LIST_DIR}/shown_settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/steady_camera.h ${CMAKE_CURRENT_LIST_DIR}/steady_camera.cpp)
target_link_libraries(vistrelle PRIVATE vistrel_formats)
# three.js for the viewer page, as scripts/setup installs it from the npm registry.
set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/run_views.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  VISTREL_THREE_FILE="${PROJECT_SOURCE_DIR}/web/node_modules/three/build/three.cjs")
