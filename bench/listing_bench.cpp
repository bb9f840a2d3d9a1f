// A 100,000-entry folder listing end to end on the phone: the payload as the frame reader hands
// it over goes through the dispatcher into the FileInfoData records the controller receives
// (a callback takes the snapshot, as the core controller does). Baseline in the same run:
// plain msgpack_unpack_next of the same body bytes into msgpack-c's tree, nothing more.
//
// Besides CPU time per entry, every benchmark reports heap bytes per entry, measured once
// outside the timed loop by counting every malloc of the process (operator new included):
//   peak_B_per_entry      highest heap in use while decoding, minus the heap before, / entries
//   retained_B_per_entry  heap still in use afterwards (the stored list), / entries
// The payload itself (its wire size is reported as wire_B_per_entry) exists before and is not
// counted.
//
// Arguments: 0 short names ("IMG_000123.jpg", held inside std::string), 1 long names (40
// characters and more, one heap block each).
#include "NetWork/LinkDispatcher.h"
#include "NetWork/LinkState.h"
#include "codec/LinkCodes.h"
#include "codec/LinkFrame.h"
#include "codec/MsgPack.h"
#include "model/FileInfoData.h"

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <msgpack.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// ---- Heap accounting: every allocation of the process goes through these ----

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<long long> heapInUse{0};
std::atomic<long long> heapPeak{0};

void counted(void* p) {
    if (p != nullptr) {
        const long long now = heapInUse.fetch_add(static_cast<long long>(malloc_usable_size(p))) +
                              static_cast<long long>(malloc_usable_size(p));
        long long peak = heapPeak.load(std::memory_order_relaxed);
        while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
        }
    }
}

void uncounted(void* p) {
    if (p != nullptr) {
        heapInUse.fetch_sub(static_cast<long long>(malloc_usable_size(p)));
    }
}

}  // namespace

extern "C" {
void* malloc(std::size_t size) {
    void* p = __libc_malloc(size);
    counted(p);
    return p;
}
void* calloc(std::size_t count, std::size_t size) {
    void* p = __libc_calloc(count, size);
    counted(p);
    return p;
}
void* realloc(void* old, std::size_t size) {
    uncounted(old);
    void* p = __libc_realloc(old, size);
    counted(p != nullptr ? p : (size == 0 ? nullptr : old));
    return p;
}
void free(void* p) {
    uncounted(p);
    __libc_free(p);
}
void* memalign(std::size_t alignment, std::size_t size) {
    void* p = __libc_memalign(alignment, size);
    counted(p);
    return p;
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* p = memalign(alignment, size);
    if (p == nullptr) {
        return ENOMEM;
    }
    *out = p;
    return 0;
}
}

namespace {

constexpr std::uint32_t kEntries = 100000;
constexpr std::int32_t kListingNumber = 266;

// The body [266, 0, 0, [[name, isDir, size, mtime, desc, classify] x 100000]], wrapped in the
// envelope a frame carries.
std::string listingPayload(bool longNames) {
    pd::msg::Packer p;
    p.array(4).integer(kListingNumber).integer(0).integer(0).array(kEntries);
    char name[96];
    for (std::uint32_t i = 0; i < kEntries; ++i) {
        const bool dir = i % 10 == 0;
        if (longNames) {
            std::snprintf(
                name, sizeof name,
                dir ? "Holiday photos, summer %u" : "Holiday photos 2023 - beach - %06u.jpg", i);
        } else {
            std::snprintf(name, sizeof name, dir ? "Folder %u" : "IMG_%06u.jpg", i);
        }
        p.array(6)
            .raw(name)
            .integer(dir ? 1 : 0)
            .uinteger(dir ? 0 : 1000u + 7919u * i)
            .uinteger(132'539'328'000'000'000ull + 10'000'000ull * i)
            .raw("")
            .integer(0);
    }
    return pd::link::encodeEnvelope(static_cast<std::int32_t>(pd::link::kAnswerFolder), p.bytes());
}

const std::string& payload(bool longNames) {
    static const std::string shortOne = listingPayload(false);
    static const std::string longOne = listingPayload(true);
    return longNames ? longOne : shortOne;
}

std::string_view bodyOf(const std::string& p) {
    return pd::link::decodeEnvelope(p)->body;
}

// Runs `work` once and reports its heap use per entry; `work` returns what it keeps.
template <typename Work>
void reportHeap(benchmark::State& state, const std::string& bytes, Work work) {
    const long long before = heapInUse.load();
    heapPeak.store(before);
    auto kept = work();
    const long long peak = heapPeak.load();
    const long long after = heapInUse.load();
    benchmark::DoNotOptimize(kept);
    state.counters["peak_B_per_entry"] = static_cast<double>(peak - before) / kEntries;
    state.counters["retained_B_per_entry"] = static_cast<double>(after - before) / kEntries;
    state.counters["wire_B_per_entry"] = static_cast<double>(bytes.size()) / kEntries;
    state.counters["CPU_per_entry"] = benchmark::Counter(
        kEntries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Dispatches the payload on a link waiting for a listing and returns the list its callback
// received.
pd::FileInfoList dispatchListing(const std::shared_ptr<pd::LinkState>& link,
                                 const std::string& bytes) {
    pd::FileInfoList received;
    link->m_ReqID.store(kListingNumber);
    link->setBlock(pd::LinkState::Slot::Command,
                   [&received, &link] { received = link->snapshot().fileInfo; });
    pd::link::dispatchPayload(link, bytes);
    return received;
}

void BM_Listing_Dispatcher(benchmark::State& state) {
    const std::string& bytes = payload(state.range(0) != 0);
    auto link = std::make_shared<pd::LinkState>();
    for (auto _ : state) {
        auto list = dispatchListing(link, bytes);
        if (!list || list->size() != kEntries) {
            state.SkipWithError("listing not received");
            return;
        }
    }
    reportHeap(state, bytes, [&] {
        // A fresh link, so that no earlier listing is freed while measuring.
        auto fresh = std::make_shared<pd::LinkState>();
        auto list = dispatchListing(fresh, bytes);
        return std::make_pair(fresh, list);
    });
}
BENCHMARK(BM_Listing_Dispatcher)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The whole body decoded into one msgpack-c tree, then the records built from it: what the
// dispatcher did before it read listings an entry at a time.
std::vector<pd::FileInfoData> recordsFromWholeTree(std::string_view body) {
    std::vector<pd::FileInfoData> records;
    auto d = pd::msg::decode(body);
    const pd::msg::View list = d->root()[3];
    records.reserve(list.size());
    for (std::uint32_t i = 0; i < list.size(); ++i) {
        if (auto r = pd::FileInfoData::FileInfoWifhArr(list[i])) {
            records.push_back(std::move(*r));
        }
    }
    return records;
}

void BM_Listing_WholeTreeThenRecords(benchmark::State& state) {
    const std::string& bytes = payload(state.range(0) != 0);
    const std::string_view body = bodyOf(bytes);
    for (auto _ : state) {
        auto records = recordsFromWholeTree(body);
        benchmark::DoNotOptimize(records.data());
    }
    reportHeap(state, bytes, [&] { return recordsFromWholeTree(body); });
}
BENCHMARK(BM_Listing_WholeTreeThenRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Baseline: msgpack-c alone, same body bytes, fresh zone, no validation and no records.
struct Unpacked {
    msgpack_unpacked u;
    Unpacked() { msgpack_unpacked_init(&u); }
    ~Unpacked() { msgpack_unpacked_destroy(&u); }
    Unpacked(const Unpacked&) = delete;
    Unpacked& operator=(const Unpacked&) = delete;
};

std::unique_ptr<Unpacked> unpackNext(std::string_view body) {
    auto out = std::make_unique<Unpacked>();
    std::size_t off = 0;
    msgpack_unpack_next(&out->u, body.data(), body.size(), &off);
    return out;
}

void BM_Listing_Baseline_MsgpackUnpackNext(benchmark::State& state) {
    const std::string& bytes = payload(state.range(0) != 0);
    const std::string_view body = bodyOf(bytes);
    for (auto _ : state) {
        auto u = unpackNext(body);
        benchmark::DoNotOptimize(u->u.data.via.array.size);
    }
    reportHeap(state, bytes, [&] { return unpackNext(body); });
}
BENCHMARK(BM_Listing_Baseline_MsgpackUnpackNext)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
