# SPDX-License-Identifier: GPL-3.0-or-later
# Find and replace speed: Replace All over a novel-sized text, and one Find Next across it.
if(PENWICK_GUI)
  add_executable(bench_find ${CMAKE_CURRENT_LIST_DIR}/bench_find.cpp)
  target_link_libraries(bench_find PRIVATE penwick_find benchmark::benchmark)
  target_compile_definitions(bench_find PRIVATE
    PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
endif()
