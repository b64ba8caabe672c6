# SPDX-License-Identifier: GPL-3.0-or-later
# Decoding and encoding a 3 MB project file, and writing it atomically.
add_executable(bench_xmlencoding ${CMAKE_CURRENT_LIST_DIR}/bench_xmlencoding.cpp)
target_link_libraries(bench_xmlencoding PRIVATE penwick_core benchmark::benchmark)
target_compile_definitions(bench_xmlencoding PRIVATE
  PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
