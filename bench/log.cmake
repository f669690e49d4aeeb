# File logger: a record beside a bare open/fstat/write/close of the same bytes.
add_executable(bench_log log_bench_posix.cpp)
target_link_libraries(bench_log PRIVATE util util_bench_support)
