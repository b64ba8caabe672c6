add_executable(fuzz_project ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_project.cpp)
target_link_libraries(fuzz_project PRIVATE penwick_core)
target_link_options(fuzz_project PRIVATE -fsanitize=fuzzer)
