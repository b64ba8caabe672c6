# SPDX-License-Identifier: GPL-3.0-or-later
find_package(LibXml2 REQUIRED)
add_executable(fuzz_project ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_project.cpp)
target_link_libraries(fuzz_project PRIVATE penwick_core LibXml2::LibXml2)
target_include_directories(fuzz_project PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_link_options(fuzz_project PRIVATE -fsanitize=fuzzer)
