# The panel drawing shared by the panel and scene subcommands, and the scene files they read and write.
target_sources(vistrelle PRIVATE ${CMAKE_CURRENT_LIST_DIR}/panel_view.h ${CMAKE_CURRENT_LIST_DIR}/panel_view.cpp)
target_link_libraries(vistrelle PRIVATE vistrel_formats)
