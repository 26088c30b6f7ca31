# The module driven through the stand-in host, loaded by path as a host loads it.
foreach(concern activation displacement panel persistence)
  add_executable(module_${concern}_tests module_${concern}_tests.cpp module_scenes.h)
  target_link_libraries(module_${concern}_tests PRIVATE vistrel_hostsim gtest_main)
  target_compile_definitions(module_${concern}_tests PRIVATE VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}")
  add_dependencies(module_${concern}_tests vistrel)
  gtest_discover_tests(module_${concern}_tests)
endforeach()

# The module's turned positions against the plain leaf operations, linked in as the reference.
add_executable(module_reference_bits_tests module_reference_bits_tests.cpp $<TARGET_OBJECTS:vistrel_geometry>)
target_link_libraries(module_reference_bits_tests PRIVATE vistrel_hostsim gtest_main)
target_compile_definitions(module_reference_bits_tests PRIVATE VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}")
add_dependencies(module_reference_bits_tests vistrel)
gtest_discover_tests(module_reference_bits_tests)
