# A silent tracer (tracing off) beside an empty loop.
add_executable(bench_trace ${CMAKE_CURRENT_SOURCE_DIR}/trace_bench.cpp)
target_link_libraries(bench_trace PRIVATE util benchmark::benchmark)
