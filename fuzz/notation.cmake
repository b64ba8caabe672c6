# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz_notation: the ruby and emphasis notation parser, with its invariants as checks.
add_executable(fuzz_notation ${CMAKE_CURRENT_LIST_DIR}/fuzz_notation.cpp)
target_link_libraries(fuzz_notation PRIVATE penwick_notation)
target_link_options(fuzz_notation PRIVATE -fsanitize=fuzzer)
