# The stand-in host library: loader, version record reader, services, panel service and driver.
add_library(vistrel_hostsim STATIC
  ${CMAKE_CURRENT_LIST_DIR}/scene.h ${CMAKE_CURRENT_LIST_DIR}/scene.cpp
  ${CMAKE_CURRENT_LIST_DIR}/host_error.h
  ${CMAKE_CURRENT_LIST_DIR}/elf_image.h ${CMAKE_CURRENT_LIST_DIR}/elf_image.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_record.h ${CMAKE_CURRENT_LIST_DIR}/version_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/loaded_segments.h ${CMAKE_CURRENT_LIST_DIR}/loaded_segments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/module_library.h ${CMAKE_CURRENT_LIST_DIR}/module_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/active_host.h ${CMAKE_CURRENT_LIST_DIR}/active_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/service_registry.h ${CMAKE_CURRENT_LIST_DIR}/service_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scene_services.h ${CMAKE_CURRENT_LIST_DIR}/scene_services.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hex_text.h ${CMAKE_CURRENT_LIST_DIR}/hex_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/int_streams.h ${CMAKE_CURRENT_LIST_DIR}/int_streams.cpp
  ${CMAKE_CURRENT_LIST_DIR}/hint_list.h ${CMAKE_CURRENT_LIST_DIR}/hint_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/panel_service.h ${CMAKE_CURRENT_LIST_DIR}/panel_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/handler_tables.h
  ${CMAKE_CURRENT_LIST_DIR}/host.h ${CMAKE_CURRENT_LIST_DIR}/host.cpp)
target_link_libraries(vistrel_hostsim PUBLIC vistrel_host ${CMAKE_DL_LIBS})
