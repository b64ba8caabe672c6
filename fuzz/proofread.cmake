# SPDX-License-Identifier: GPL-3.0-or-later
# fuzz_proofread: the proofreading rules and the checker kept up to date by edits.
add_executable(fuzz_proofread ${CMAKE_CURRENT_LIST_DIR}/fuzz_proofread.cpp)
target_link_libraries(fuzz_proofread PRIVATE penwick_proofread)
target_link_options(fuzz_proofread PRIVATE -fsanitize=fuzzer)
