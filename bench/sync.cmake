# Message queue and reference counts beside the peers a user would otherwise
# pick: std::mutex + std::condition_variable + std::deque, moodycamel's
# BlockingConcurrentQueue (Debian libconcurrentqueue-dev), std::shared_ptr.
find_path(CONCURRENTQUEUE_INCLUDE_DIR concurrentqueue/blockingconcurrentqueue.h REQUIRED)
find_package(Threads REQUIRED)
add_executable(bench_sync ${CMAKE_CURRENT_SOURCE_DIR}/sync_bench.cpp)
target_include_directories(bench_sync PRIVATE ${CONCURRENTQUEUE_INCLUDE_DIR})
target_link_libraries(bench_sync PRIVATE util benchmark::benchmark Threads::Threads)
