# Hash table: HashTable beside std::unordered_map<std::string_view, void*>.
add_executable(bench_hash_table ${CMAKE_CURRENT_LIST_DIR}/hash_table_bench.cpp)
target_link_libraries(bench_hash_table PRIVATE util benchmark::benchmark)
