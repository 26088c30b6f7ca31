# Vector math and the leaf frame, tested directly: no host can see them on their own.
add_executable(geometry_tests geometry_tests.cpp $<TARGET_OBJECTS:vistrel_geometry>)
target_link_libraries(geometry_tests PRIVATE vistrel_host gtest_main)
gtest_discover_tests(geometry_tests)
