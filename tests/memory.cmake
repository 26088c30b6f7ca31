# Heap use of the module, counted by replacing the allocation functions in the test executable.
add_executable(memory_tests memory_tests.cpp memory_allocation_counter.h memory_allocation_counter.cpp)
target_link_libraries(memory_tests PRIVATE vistrel_hostsim gtest_main)
target_compile_definitions(memory_tests PRIVATE VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}")
add_dependencies(memory_tests vistrel)
gtest_discover_tests(memory_tests)
