# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(bench_proofread ${CMAKE_CURRENT_SOURCE_DIR}/bench_proofread.cpp)
target_link_libraries(bench_proofread PRIVATE penwick_proofread benchmark::benchmark)
target_compile_definitions(bench_proofread PRIVATE PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
