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

add_executable(hostsim_tests
  hostsim_loader_tests.cpp
  hostsim_version_record_tests.cpp
  hostsim_hint_tests.cpp
  hostsim_panel_service_tests.cpp
  hostsim_scene_tests.cpp
  hostsim_pass_tests.cpp
  hostsim_driver_tests.cpp
  hostsim_info_command_tests.cpp
  hostsim_test_files.h
  hostsim_test_files.cpp)
target_link_libraries(hostsim_tests PRIVATE vistrel_hostsim gtest_main)
target_compile_definitions(hostsim_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  FIXTURE_NO_DESCRIPTOR_FILE="$<TARGET_FILE:hostsim_fixture_no_descriptor>"
  FIXTURE_BAD_MAGIC_FILE="$<TARGET_FILE:hostsim_fixture_bad_magic>"
  FIXTURE_UNCLOSED_SERVERS_FILE="$<TARGET_FILE:hostsim_fixture_unclosed_servers>")
add_dependencies(hostsim_tests vistrel vistrelle
  hostsim_fixture_no_descriptor hostsim_fixture_bad_magic hostsim_fixture_unclosed_servers)
gtest_discover_tests(hostsim_tests TEST_PREFIX "hostsim.")
