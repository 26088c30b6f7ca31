# The stand-in host: its loader, version record reader, services, hint reader and driver, and the
# vistrelle info command run as a process.

# Tiny shared objects a host must refuse, one source built once per kind.
foreach(kind no_descriptor bad_magic unclosed_servers)
  add_library(hostsim_fixture_${kind} MODULE hostsim_fixture_module.cpp)
  set_target_properties(hostsim_fixture_${kind} PROPERTIES PREFIX "" SUFFIX ".so")
  target_link_libraries(hostsim_fixture_${kind} PRIVATE vistrel_host)
endforeach()
target_compile_definitions(hostsim_fixture_no_descriptor PRIVATE FIXTURE_NO_DESCRIPTOR)
target_compile_definitions(hostsim_fixture_bad_magic PRIVATE FIXTURE_MAGIC=0x12345678u)
target_compile_definitions(hostsim_fixture_unclosed_servers PRIVATE FIXTURE_UNCLOSED_SERVERS)

# The validator's tiny module with a wild pointer or a one-byte descriptor: the loader must refuse
# each before following any of its pointers.
foreach(kind wild_servers wild_activation tiny_descriptor)
  add_library(hostile_${kind} MODULE broken_modules/broken_module.cpp)
  set_target_properties(hostile_${kind} PROPERTIES PREFIX "" SUFFIX ".p")
  target_link_libraries(hostile_${kind} PRIVATE vistrel_host)
endforeach()
target_compile_definitions(hostile_wild_servers PRIVATE BROKEN_WILD_SERVERS)
target_compile_definitions(hostile_wild_activation PRIVATE BROKEN_WILD_ACTIVATION)
target_compile_definitions(hostile_tiny_descriptor PRIVATE BROKEN_TINY_DESCRIPTOR)

add_executable(hostsim_tests
  hostsim_loader_tests.cpp
  hostsim_version_record_tests.cpp
  hostsim_hint_tests.cpp
  hostsim_panel_service_tests.cpp
  hostsim_scene_tests.cpp
  hostsim_pass_tests.cpp
  hostsim_driver_tests.cpp
  hostsim_info_command_tests.cpp
  hostsim_hostile_module_tests.cpp
  command_process.h command_process.cpp
  hostsim_test_files.h
  hostsim_test_files.cpp)
target_link_libraries(hostsim_tests PRIVATE vistrel_hostsim gtest_main)
target_compile_definitions(hostsim_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  FIXTURE_NO_DESCRIPTOR_FILE="$<TARGET_FILE:hostsim_fixture_no_descriptor>"
  FIXTURE_BAD_MAGIC_FILE="$<TARGET_FILE:hostsim_fixture_bad_magic>"
  FIXTURE_UNCLOSED_SERVERS_FILE="$<TARGET_FILE:hostsim_fixture_unclosed_servers>"
  HOSTILE_WILD_SERVERS_FILE="$<TARGET_FILE:hostile_wild_servers>"
  HOSTILE_WILD_ACTIVATION_FILE="$<TARGET_FILE:hostile_wild_activation>"
  HOSTILE_TINY_DESCRIPTOR_FILE="$<TARGET_FILE:hostile_tiny_descriptor>"
  CLI_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/cli")
add_dependencies(hostsim_tests vistrel vistrelle
  hostsim_fixture_no_descriptor hostsim_fixture_bad_magic hostsim_fixture_unclosed_servers
  hostile_wild_servers hostile_wild_activation hostile_tiny_descriptor)
gtest_discover_tests(hostsim_tests TEST_PREFIX "hostsim.")
