# SPDX-License-Identifier: GPL-3.0-or-later
add_executable(fuzz_outline ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_outline.cpp)
target_link_libraries(fuzz_outline PRIVATE penwick_core)
target_link_options(fuzz_outline PRIVATE -fsanitize=fuzzer)
