# SPDX-License-Identifier: GPL-3.0-or-later
# Cost of keeping work safe on the large project: one recovery snapshot with the editor's
# unstored text patched in, and one backup before a save.
if(PENWICK_GUI)
  add_executable(bench_safety ${CMAKE_CURRENT_LIST_DIR}/bench_safety.cpp)
  target_link_libraries(bench_safety PRIVATE penwick_app benchmark::benchmark)
  target_compile_definitions(bench_safety PRIVATE
    PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
endif()
