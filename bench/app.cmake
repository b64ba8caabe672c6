# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(bench_app ${CMAKE_CURRENT_SOURCE_DIR}/bench_app.cpp)
target_link_libraries(bench_app PRIVATE penwick_app Qt6::Test benchmark::benchmark)
target_compile_definitions(bench_app PRIVATE
  PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}"
  PENWICK_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
add_dependencies(bench_app penwick)
