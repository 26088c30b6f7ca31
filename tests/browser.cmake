# What browsers and glTF tools get from the command: the written .glb files through the Khronos
# validator, and the viewer page opened from the file system in Debian's headless Chromium. Node, the
# npm packages of web/ and Chromium come from scripts/setup. Run in the native build only: the
# pages and files are the same in the other builds, and a browser is slow on this machine.
if(CMAKE_SIZEOF_VOID_P EQUAL 8 AND NOT VISTREL_SANITIZE)
  foreach(mode gltf viewer card)
    add_test(NAME browser_${mode}
             COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/scripts/browser_check.sh ${mode} $<TARGET_FILE:vistrelle>
                     ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_BINARY_DIR}/browser_${mode})
    set_tests_properties(browser_${mode} PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
  endforeach()
endif()
