# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(bench_project ${CMAKE_CURRENT_SOURCE_DIR}/bench_project.cpp)
target_link_libraries(bench_project PRIVATE penwick_core penwick_search penwick_export penwick_position benchmark::benchmark)
target_compile_definitions(bench_project PRIVATE
  PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}"
  PENWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(bench_project penwick-cli)
