# SPDX-License-Identifier: GPL-3.0-or-later
# Speed of the vertical editor: opening, typing, direction toggle, memory.
if(TARGET penwick_editor)
  add_executable(bench_editor ${CMAKE_CURRENT_LIST_DIR}/bench_editor.cpp)
  target_link_libraries(bench_editor PRIVATE penwick_editor benchmark::benchmark Qt6::Widgets)
  target_compile_definitions(bench_editor PRIVATE
    PENWICK_CORPUS_DIR="${PENWICK_CORPUS_DIR}")
endif()
