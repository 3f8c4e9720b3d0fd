# vandrel-pack as a user on Linux runs it: built for this host, configuring
# and packing this build's Windows launcher; the results read through the
# Win32 API and run under Wine (pack_wine_test.sh). Included after the
# bridge, whose jvm.dll the runs use. Shell, as sample_test.sh: the host's
# tool and Wine are driven side by side.
find_program(VANDREL_HOST_CXX NAMES g++)
if(NOT VANDREL_HOST_CXX)
  message(WARNING "vandrel-pack Wine tests disabled: need the host's g++")
  return()
endif()

set(host_pack ${CMAKE_CURRENT_BINARY_DIR}/pack_host/vandrel-pack)
set(host_pack_sources
  ${PROJECT_SOURCE_DIR}/formats/zip_directory.cpp ${PROJECT_SOURCE_DIR}/formats/pe_headers.cpp
  ${PROJECT_SOURCE_DIR}/formats/pe_image.cpp ${PROJECT_SOURCE_DIR}/formats/string_block.cpp
  ${PROJECT_SOURCE_DIR}/formats/ico_file.cpp ${PROJECT_SOURCE_DIR}/formats/version_info.cpp
  ${PROJECT_SOURCE_DIR}/formats/app_manifest.cpp ${PROJECT_SOURCE_DIR}/formats/utf8.cpp
  ${PROJECT_SOURCE_DIR}/launcher/base/major_version.cpp ${PROJECT_SOURCE_DIR}/launcher/base/text_rules.cpp
  ${PROJECT_SOURCE_DIR}/launcher/base/atomic_file.cpp ${PROJECT_SOURCE_DIR}/launcher/base/diagnostics.cpp
  ${PROJECT_SOURCE_DIR}/launcher/base/paths.cpp ${PROJECT_SOURCE_DIR}/launcher/base/message_format.cpp
  ${PROJECT_SOURCE_DIR}/launcher/platform/files_posix.cpp)
foreach(file main pack_edits archive_check request input_file jar_input launcher_image pack_output show tool_platform manifest_edits)
  list(APPEND host_pack_sources ${PROJECT_SOURCE_DIR}/packtool/${file}.cpp)
endforeach()
add_custom_command(
  OUTPUT ${host_pack}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/pack_host
  COMMAND ${VANDREL_HOST_CXX} -std=c++17 -O1 -Wall -Wextra -Werror -Wno-unused-parameter
          "-DVANDREL_VERSION_TEXT=\"${VANDREL_VERSION}\"" -I${PROJECT_SOURCE_DIR}/formats -I${PROJECT_SOURCE_DIR}/packtool -I${PROJECT_SOURCE_DIR}/launcher
          -I${PROJECT_BINARY_DIR}/packtool -o ${host_pack} ${host_pack_sources} -lz
  DEPENDS ${host_pack_sources} ${PROJECT_BINARY_DIR}/packtool/shipped_comments.h
  COMMENT "Building vandrel-pack for the build host"
  VERBATIM)
add_custom_target(pack_host ALL DEPENDS ${host_pack})

add_executable(pack_probe pack_probe.cpp)
target_link_libraries(pack_probe PRIVATE imagehlp version)
add_executable(gui_box_run gui_box_run.cpp)
add_dependencies(gui_box_run vandrel-pack)

set(jars ${VANDREL_TEST_JAR_DIR})
set(run_with_bridge ${CMAKE_CURRENT_SOURCE_DIR}/jvm_bridge/run_with_bridge.sh)
set(work ${CMAKE_CURRENT_BINARY_DIR}/pack_work)
set(script ${CMAKE_CURRENT_SOURCE_DIR}/pack_wine_test.sh)
set(common ${host_pack} $<TARGET_FILE:vandrel>)
vandrel_add_test(pack_cli COMMAND ${script} cli ${work}/cli ${common} ${CMAKE_OBJDUMP}
                 ${jars}/args.jar ${jars}/noentry.jar $<TARGET_FILE:vandrel-pack>)
vandrel_add_test(pack_manifest COMMAND ${script} manifest ${work}/manifest ${common})
vandrel_add_test(pack_pause
  COMMAND ${script} pause ${work}/pause ${common} ${run_with_bridge} ${VANDREL_JVM_BRIDGE_DIR} ${jars}/args.jar
          ${jars}/throws.jar
  RESOURCE_LOCK registry)
vandrel_add_test(pack_utf8
  COMMAND ${script} utf8 ${work}/utf8 ${common} ${run_with_bridge} ${VANDREL_JVM_BRIDGE_DIR} ${jars}/args.jar
  RESOURCE_LOCK registry)
vandrel_add_test(pack_resources
  COMMAND ${script} resources ${work}/resources ${common} $<TARGET_FILE:pack_probe>
          ${CMAKE_CURRENT_SOURCE_DIR}/pack_icon.ico)
vandrel_add_test(pack_run
  COMMAND ${script} run ${work}/run ${common} ${run_with_bridge} ${VANDREL_JVM_BRIDGE_DIR} ${jars}/args.jar
  RESOURCE_LOCK registry)
vandrel_add_test(pack_settings
  COMMAND ${script} settings ${work}/settings ${common} ${run_with_bridge} ${VANDREL_JVM_BRIDGE_DIR}
          ${jars}/settings.jar
  RESOURCE_LOCK registry)
find_program(VANDREL_XVFB_RUN NAMES xvfb-run)
if(VANDREL_XVFB_RUN)
  vandrel_add_test(pack_gui_box COMMAND ${script} gui ${work}/gui ${common} $<TARGET_FILE:gui_box_run>
                   RESOURCE_LOCK registry)
else()
  message(WARNING "the GUI message box test is disabled: it needs xvfb-run")
endif()
find_program(VANDREL_OSSLSIGNCODE NAMES osslsigncode)
find_program(VANDREL_OPENSSL NAMES openssl)
if(VANDREL_OSSLSIGNCODE AND VANDREL_OPENSSL)
  vandrel_add_test(pack_sign
    COMMAND ${script} sign ${work}/sign ${common} ${run_with_bridge} ${VANDREL_JVM_BRIDGE_DIR}
            ${jars}/args.jar
    RESOURCE_LOCK registry)
else()
  message(WARNING "the signing test is disabled: it needs osslsigncode and openssl")
endif()
