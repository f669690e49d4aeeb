// FIFO EntQ + DeptQ throughput beside a mutex + condition variable + deque
// queue and moodycamel's BlockingConcurrentQueue, all carrying the same malloc'd
// messages, with 1 + 1 and 4 + 4 producer and consumer threads; and AddRef +
// Release beside a std::shared_ptr copy and destruction. Prints the ratios.
#include <benchmark/benchmark.h>
#include <concurrentqueue/blockingconcurrentqueue.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "containers/fifo.h"
#include "support/ratio_main.h"

namespace {

const int kBatch = 200000;                // messages per timed iteration
const std::uint32_t kStop = 0xFFFFFFFFu;  // ulUser of the message that ends a consumer

FIFO_MSG* makeMessage(std::uint32_t user) {
    auto* message = static_cast<FIFO_MSG*>(std::malloc(sizeof(FIFO_MSG) + 16));
    message->ulUser = user;
    message->ulSize = 16;
    return message;
}

class FifoQueue {
public:
    FifoQueue() : queue_(new FIFO) {}
    ~FifoQueue() { queue_->Shutdown(0); }
    void push(FIFO_MSG* message) {
        while (queue_->EntQ(message) == 0) {
            std::this_thread::yield();
        }
    }
    FIFO_MSG* pop() { return queue_->DeptQ(0xFFFFFFFFul); }

private:
    FIFO* queue_;
};

class StdQueue {
public:
    void push(FIFO_MSG* message) {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            messages_.push_back(message);
        }
        ready_.notify_one();
    }
    FIFO_MSG* pop() {
        std::unique_lock<std::mutex> hold(mutex_);
        ready_.wait(hold, [this] { return !messages_.empty(); });
        FIFO_MSG* message = messages_.front();
        messages_.pop_front();
        return message;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<FIFO_MSG*> messages_;
};

class MoodycamelQueue {
public:
    void push(FIFO_MSG* message) { queue_.enqueue(message); }
    FIFO_MSG* pop() {
        FIFO_MSG* message = nullptr;
        queue_.wait_dequeue(message);
        return message;
    }

private:
    moodycamel::BlockingConcurrentQueue<FIFO_MSG*> queue_;
};

// One iteration: `threads` producers send kBatch messages in all to `threads`
// consumers, which free them; one stop message per consumer ends the round.
template <typename Queue>
void transfer(benchmark::State& state) {
    const int threads = static_cast<int>(state.range(0));
    Queue queue;
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (int c = 0; c < threads; ++c) {
            workers.emplace_back([&queue] {
                for (;;) {
                    FIFO_MSG* message = queue.pop();
                    const bool stop = message->ulUser == kStop;
                    std::free(message);
                    if (stop) {
                        return;
                    }
                }
            });
        }
        std::vector<std::thread> producers;
        for (int p = 0; p < threads; ++p) {
            producers.emplace_back([&queue, threads] {
                for (int i = 0; i < kBatch / threads; ++i) {
                    queue.push(makeMessage(static_cast<std::uint32_t>(i)));
                }
            });
        }
        for (auto& producer : producers) {
            producer.join();
        }
        for (int c = 0; c < threads; ++c) {
            queue.push(makeMessage(kStop));
        }
        for (auto& worker : workers) {
            worker.join();
        }
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

class Counted : public SharedObject {};

void addRefRelease(benchmark::State& state) {
    Counted* object = new Counted;
    object->AddRef();  // held throughout, so Release never reaches 0
    for (auto _ : state) {
        benchmark::DoNotOptimize(object->AddRef());
        benchmark::DoNotOptimize(object->Release());
    }
    object->Release();  // the last reference: the object deletes itself
}

void sharedPtrCopy(benchmark::State& state) {
    auto object = std::make_shared<int>(1);
    for (auto _ : state) {
        std::shared_ptr<int> copy = object;
        benchmark::DoNotOptimize(copy);
    }
}

}  // namespace

// Thread placement on a small machine swings single runs widely: each queue
// figure is the best of several repetitions.
BENCHMARK(transfer<FifoQueue>)
    ->Name("queue/util")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Apply(util_bench::repeatForMinimum);
BENCHMARK(transfer<StdQueue>)
    ->Name("queue/peer.std_mutex_cv_deque")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Apply(util_bench::repeatForMinimum);
BENCHMARK(transfer<MoodycamelQueue>)
    ->Name("queue/peer.moodycamel")
    ->Arg(1)
    ->Arg(4)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Apply(util_bench::repeatForMinimum);
BENCHMARK(addRefRelease)->Name("refcount/util");
BENCHMARK(sharedPtrCopy)->Name("refcount/peer.shared_ptr_copy");

int main(int argc, char** argv) { return util_bench::runWithRatios(argc, argv); }
