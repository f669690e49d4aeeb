// HashTable beside std::unordered_map<std::string_view, void*>, in one run: Add,
// Get of present keys, Get of absent keys and Del, over 1,000,000 distinct 16-byte
// keys and over 100,000 distinct 4-byte keys. 4-byte keys hash to one byte, so the
// table keeps only 256 chains in use and every operation walks a long chain; their
// rows show what that costs (with a million 4-byte keys the chains average ~3,900
// nodes and one pass takes minutes, hence the smaller set). Get and Del look keys
// up from a separate buffer of copies in a shuffled order, as lookups of incoming
// data would, so neither side profits from the insertion order or from the stored
// key pointer itself.
#include "containers/hash_table.h"
#include "support/ratio_main.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::size_t kLongKeyCount = 1000000;
constexpr std::size_t kShortKeyCount = 100000;

// `count` keys of one length laid end to end, copies of them in a shuffled order,
// and as many absent keys.
struct KeySet {
    int length = 0;
    std::size_t count = 0;
    std::vector<char> present;
    std::vector<char> shuffled;
    std::vector<char> absent;

    char* key(std::size_t index) { return &present[index * length]; }
    char* probeKey(std::size_t index) { return &shuffled[index * length]; }
    char* missingKey(std::size_t index) { return &absent[index * length]; }

    void shuffle() {
        std::vector<std::size_t> order(count);
        for (std::size_t index = 0; index < count; ++index) {
            order[index] = index;
        }
        std::mt19937_64 random(42);
        std::shuffle(order.begin(), order.end(), random);
        shuffled.resize(present.size());
        for (std::size_t index = 0; index < count; ++index) {
            std::memcpy(probeKey(index), key(order[index]), static_cast<std::size_t>(length));
        }
    }
};

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t value = (state += 0x9E3779B97F4A7C15ull);
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// 16-byte keys: two random words each; 128 random bits make repeats practically impossible.
KeySet makeLongKeys() {
    KeySet keys;
    keys.length = 16;
    keys.count = kLongKeyCount;
    std::uint64_t state = 1;
    for (std::vector<char>* target : {&keys.present, &keys.absent}) {
        target->resize(keys.count * 16);
        for (std::size_t index = 0; index < keys.count * 2; ++index) {
            const std::uint64_t word = splitMix(state);
            std::memcpy(target->data() + index * 8, &word, 8);
        }
    }
    keys.shuffle();
    return keys;
}

// 4-byte keys: an odd multiplier is a bijection on 32-bit values, so the present
// keys (even indices) and absent keys (odd indices) are all distinct.
KeySet makeShortKeys() {
    KeySet keys;
    keys.length = 4;
    keys.count = kShortKeyCount;
    keys.present.resize(keys.count * 4);
    keys.absent.resize(keys.count * 4);
    for (std::uint32_t index = 0; index < keys.count; ++index) {
        const std::uint32_t present = (2 * index) * 0x9E3779B1u;
        const std::uint32_t absent = (2 * index + 1) * 0x9E3779B1u;
        std::memcpy(keys.present.data() + index * 4, &present, 4);
        std::memcpy(keys.absent.data() + index * 4, &absent, 4);
    }
    keys.shuffle();
    return keys;
}

KeySet& longKeys() {
    static KeySet keys = makeLongKeys();
    return keys;
}
KeySet& shortKeys() {
    static KeySet keys = makeShortKeys();
    return keys;
}

using PeerMap = std::unordered_map<std::string_view, void*>;

void fill(HashTable& table, KeySet& keys) {
    for (std::size_t index = 0; index < keys.count; ++index) {
        table.Add(keys.key(index), keys.length, keys.key(index));
    }
}
void fill(PeerMap& map, KeySet& keys) {
    for (std::size_t index = 0; index < keys.count; ++index) {
        map.emplace(std::string_view(keys.key(index), keys.length), keys.key(index));
    }
}

// Operations on HashTable.
void tableAdd(benchmark::State& state, KeySet* keys) {
    for (auto _ : state) {
        auto table = std::make_unique<HashTable>();
        fill(*table, *keys);
        benchmark::DoNotOptimize(table->Count());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}
void tableGet(benchmark::State& state, KeySet* keys, bool hits) {
    HashTable table;
    fill(table, *keys);
    for (auto _ : state) {
        std::size_t found = 0;
        for (std::size_t index = 0; index < keys->count; ++index) {
            char* key = hits ? keys->probeKey(index) : keys->missingKey(index);
            found += table.Get(key, keys->length) != nullptr;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}
void tableDel(benchmark::State& state, KeySet* keys) {
    for (auto _ : state) {
        state.PauseTiming();
        auto table = std::make_unique<HashTable>();
        fill(*table, *keys);
        state.ResumeTiming();
        for (std::size_t index = 0; index < keys->count; ++index) {
            table->Del(keys->probeKey(index), keys->length);
        }
        benchmark::DoNotOptimize(table->Count());
        state.PauseTiming();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}

// The same on the peer.
void peerAdd(benchmark::State& state, KeySet* keys) {
    for (auto _ : state) {
        auto map = std::make_unique<PeerMap>();
        fill(*map, *keys);
        benchmark::DoNotOptimize(map->size());
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}
void peerGet(benchmark::State& state, KeySet* keys, bool hits) {
    PeerMap map;
    fill(map, *keys);
    for (auto _ : state) {
        std::size_t found = 0;
        for (std::size_t index = 0; index < keys->count; ++index) {
            char* key = hits ? keys->probeKey(index) : keys->missingKey(index);
            found += map.find(std::string_view(key, keys->length)) != map.end();
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}
void peerDel(benchmark::State& state, KeySet* keys) {
    for (auto _ : state) {
        state.PauseTiming();
        auto map = std::make_unique<PeerMap>();
        fill(*map, *keys);
        state.ResumeTiming();
        for (std::size_t index = 0; index < keys->count; ++index) {
            map->erase(std::string_view(keys->probeKey(index), keys->length));
        }
        benchmark::DoNotOptimize(map->size());
        state.PauseTiming();
        map.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * keys->count);
}

}  // namespace

int main(int argc, char** argv) {
    struct Shape {
        const char* name;
        KeySet* keys;
    };
    const Shape shapes[] = {{"16B", &longKeys()}, {"4B", &shortKeys()}};
    for (const Shape& shape : shapes) {
        const std::string suffix = std::string("/") + shape.name;
        KeySet* keys = shape.keys;
        // With 4-byte keys one HashTable pass takes seconds: one pass is enough.
        const int iterations = keys->length == 4 ? 1 : 0;
        auto add = [&](const std::string& name, auto function) {
            auto* benchmark = benchmark::RegisterBenchmark(name.c_str(), function)->Unit(benchmark::kMillisecond);
            if (iterations > 0) {
                benchmark->Iterations(iterations);
            }
        };
        add("Add" + suffix + "/util", [keys](benchmark::State& s) { tableAdd(s, keys); });
        add("Add" + suffix + "/peer", [keys](benchmark::State& s) { peerAdd(s, keys); });
        add("GetHit" + suffix + "/util", [keys](benchmark::State& s) { tableGet(s, keys, true); });
        add("GetHit" + suffix + "/peer", [keys](benchmark::State& s) { peerGet(s, keys, true); });
        add("GetMiss" + suffix + "/util", [keys](benchmark::State& s) { tableGet(s, keys, false); });
        add("GetMiss" + suffix + "/peer", [keys](benchmark::State& s) { peerGet(s, keys, false); });
        add("Del" + suffix + "/util", [keys](benchmark::State& s) { tableDel(s, keys); });
        add("Del" + suffix + "/peer", [keys](benchmark::State& s) { peerDel(s, keys); });
    }
    return util_bench::runWithRatios(argc, argv);
}
