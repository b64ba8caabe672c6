# SPDX-License-Identifier: GPL-3.0-or-later
# Export and the counter dialog on the 1,000,000-character project.
add_executable(bench_counterui ${CMAKE_CURRENT_LIST_DIR}/bench_counterui.cpp)
target_link_libraries(bench_counterui PRIVATE penwick_app benchmark::benchmark)
target_compile_definitions(bench_counterui PRIVATE
  PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
