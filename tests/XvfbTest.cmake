# SPDX-License-Identifier: GPL-3.0-or-later
# penwick_add_xvfb_test(NAME TARGET SOURCES ... [NEEDS tool ...] [DEFINES ...])
# A test program that runs Penwick on an X server: built with the window grabber of
# scripts/xgrab, run through xvfb-run, and reported skipped (77) when a tool it needs is
# not installed (scripts/deps.sh test installs them).
find_package(Qt6 REQUIRED COMPONENTS Gui)
find_package(PkgConfig REQUIRED)
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)

function(penwick_add_xvfb_test name target)
  cmake_parse_arguments(T "" "" "SOURCES;NEEDS;DEFINES" ${ARGN})
  set(grab ${PROJECT_SOURCE_DIR}/scripts/xgrab)
  add_executable(${target} ${T_SOURCES}
    ${grab}/X11WindowGrab.cpp ${grab}/X11WindowGrab.h ${grab}/XcbTest.h)
  set_target_properties(${target} PROPERTIES AUTOMOC ON)
  target_include_directories(${target} PRIVATE ${grab})
  target_link_libraries(${target} PRIVATE Qt6::Test Qt6::Gui PkgConfig::XCB)
  target_compile_definitions(${target} PRIVATE ${T_DEFINES})
  add_dependencies(${target} penwick)
  set(check "")
  foreach(tool xvfb-run ${T_NEEDS})
    string(APPEND check "command -v ${tool} >/dev/null || { echo 'SKIP: ${tool} is not installed'; exit 77; }; ")
  endforeach()
  add_test(NAME ${name}
    COMMAND sh -c "${check}exec xvfb-run -a -s '-screen 0 1280x1024x24' \"$0\"" $<TARGET_FILE:${target}>)
  # Each starts the whole window; nothing else should be drawing meanwhile.
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL ON)
endfunction()
