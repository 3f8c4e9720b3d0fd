# vandrel-pack as a user on Linux runs it: built for this host, configuring
# and packing this build's Windows launcher; the results read through the
# Win32 API and run under Wine (pack_wine_test.sh). Included after the
# bridge, whose jvm.dll the runs use. Shell, as sample_test.sh: the host's
# tool and Wine are driven side by side.
find_program(VANDREL_HOST_CC NAMES gcc)
find_program(VANDREL_HOST_CXX NAMES g++)
if(NOT VANDREL_HOST_CC OR NOT VANDREL_HOST_CXX)
  message(WARNING "vandrel-pack Wine tests disabled: need the host's gcc and g++")
  return()
endif()

# The target vandrel-pack of this source tree, configured for the host in a
# build tree of its own inside this one, so that it is built exactly as the
# Linux build builds it. Its build runs at every build of this tree and
# rebuilds what changed.
include(ExternalProject)
set(host_dir ${CMAKE_CURRENT_BINARY_DIR}/pack_host)
set(host_pack ${host_dir}/packtool/vandrel-pack)
ExternalProject_Add(pack_host
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${host_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVANDREL_BUILD_NAME=pack-host
             -DCMAKE_C_COMPILER=${VANDREL_HOST_CC} -DCMAKE_CXX_COMPILER=${VANDREL_HOST_CXX}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_dir} --target vandrel-pack
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${host_pack}
  INSTALL_COMMAND "")

add_executable(pack_probe pack_probe.cpp)
target_link_libraries(pack_probe PRIVATE imagehlp version)
add_executable(gui_box_run gui_box_run.cpp)
add_executable(java_double java_double.c)
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
          $<TARGET_FILE:zip_tool>
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

# A runtime of another machine type run through its java.exe, here a double
# that writes down its command line; value 15 "windows" on the way.
vandrel_add_test(pack_separate
  COMMAND ${script} separate ${work}/separate ${common} $<TARGET_FILE:java_double> ${jars}/args.jar
  RESOURCE_LOCK registry)
