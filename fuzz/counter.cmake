# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz_counter: the counting library under libFuzzer, with layout invariants as checks
# (and the line-by-line layout of manuscript paper, from penwick_countcore).
add_executable(fuzz_counter ${CMAKE_CURRENT_LIST_DIR}/fuzz_counter.cpp)
target_link_libraries(fuzz_counter PRIVATE penwick_counter penwick_countcore)
target_link_options(fuzz_counter PRIVATE -fsanitize=fuzzer)
