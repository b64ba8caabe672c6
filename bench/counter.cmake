# SPDX-License-Identifier: GPL-3.0-or-later
# Counting speed: a million characters of prose, and the chapter-sized real-time count.
add_executable(bench_counter ${CMAKE_CURRENT_LIST_DIR}/bench_counter.cpp)
target_link_libraries(bench_counter PRIVATE penwick_counter benchmark::benchmark)
target_compile_definitions(bench_counter PRIVATE
  PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
