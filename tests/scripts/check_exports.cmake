# Checks one built vistrel.p: `nm -D --defined-only` lists exactly _mod_descrip, `nm -C` finds none
# of the plain leaf operations (the module ships its fused turn only; testkit has the plain one),
# and readelf reports the expected class and machine. Run with -DMODULE=<file> -DEXPECTED_ELF=<class;machine>.
execute_process(COMMAND nm -D --defined-only ${MODULE} OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX REPLACE "[0-9a-fA-F]+ [A-Za-z] " "" names "${symbols}")
string(STRIP "${names}" names)
if(NOT names STREQUAL "_mod_descrip")
  message(FATAL_ERROR "${MODULE} exports more than _mod_descrip:\n${symbols}")
endif()

execute_process(COMMAND nm -C ${MODULE} OUTPUT_VARIABLE all_symbols)
if(all_symbols MATCHES "(toLeafFrame|fromLeafFrame|rotateX|rotateY|rotateZ|computeAngles\\()")
  message(FATAL_ERROR "${MODULE} holds a plain leaf operation (${CMAKE_MATCH_1}): those belong in testkit/")
endif()

execute_process(COMMAND readelf -h ${MODULE} OUTPUT_VARIABLE header)
list(GET EXPECTED_ELF 0 class)
list(GET EXPECTED_ELF 1 machine)
if(NOT header MATCHES "Class: +${class}" OR NOT header MATCHES "Machine: +${machine}\n")
  message(FATAL_ERROR "${MODULE} is not ${class} ${machine}:\n${header}")
endif()
message(STATUS "${MODULE}: exports only _mod_descrip, ${class} ${machine}")
