# The validator: its checks on their own, vistrelle validate run as a process on the module and on
# deliberately broken copies of a tiny module, and the replay of the fuzzer's corpus and regressions.

# The tiny module, whole and with one fault each.
set(VISTREL_BROKEN_KINDS none nan stretch crash hang save magic)
foreach(kind IN LISTS VISTREL_BROKEN_KINDS)
  add_library(validate_broken_${kind} MODULE broken_modules/broken_module.cpp)
  set_target_properties(validate_broken_${kind} PROPERTIES PREFIX "" SUFFIX ".p")
  target_link_libraries(validate_broken_${kind} PRIVATE vistrel_host)
endforeach()
target_compile_definitions(validate_broken_nan PRIVATE BROKEN_NAN)
target_compile_definitions(validate_broken_stretch PRIVATE BROKEN_STRETCH)
target_compile_definitions(validate_broken_crash PRIVATE BROKEN_CRASH)
target_compile_definitions(validate_broken_hang PRIVATE BROKEN_HANG)
target_compile_definitions(validate_broken_save PRIVATE BROKEN_SAVE)
target_compile_definitions(validate_broken_magic PRIVATE BROKEN_MAGIC=0x12345678u)

add_executable(validate_tests validate_check_tests.cpp validate_command_tests.cpp validate_findings_tests.cpp validate_replay_tests.cpp
  validate_runner_tests.cpp)
target_link_libraries(validate_tests PRIVATE vistrel_validate gtest_main)
target_compile_definitions(validate_tests PRIVATE
  VISTREL_MODULE_FILE="${VISTREL_MODULE_FILE}"
  VISTRELLE_COMMAND_FILE="$<TARGET_FILE:vistrelle>"
  VISTREL_BROKEN_DIR="$<TARGET_FILE_DIR:validate_broken_none>"
  VISTREL_FUZZ_CORPUS_DIR="${PROJECT_SOURCE_DIR}/fuzz/corpus"
  VISTREL_FUZZ_REGRESSIONS_DIR="${PROJECT_SOURCE_DIR}/fuzz/regressions")
add_dependencies(validate_tests vistrel vistrelle)
foreach(kind IN LISTS VISTREL_BROKEN_KINDS)
  add_dependencies(validate_tests validate_broken_${kind})
endforeach()
gtest_discover_tests(validate_tests PROPERTIES TIMEOUT 300)

# vistrelle validate with its full counts (under the sanitizers, the quick counts) on this build's module.
if(VISTREL_SANITIZE)
  add_test(NAME ValidateQuickCountsPassUnderSanitizers COMMAND vistrelle validate $<TARGET_FILE:vistrel> --quick --seed 2)
else()
  add_test(NAME ValidateFullCountsPass COMMAND vistrelle validate $<TARGET_FILE:vistrel> --seed 1)
endif()
