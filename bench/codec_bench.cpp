// Link codec against plain msgpack-c on the largest message the phone handles: a folder
// listing of 100,000 entries, body [266, 0, 0, [[name, isDir, size, mtime, desc, classify]...]].
//
// "Cold" runs start from nothing each iteration (new buffer, new zone); "Warm" runs reuse the
// buffer or zone of the previous iteration.
#include "codec/MsgPack.h"
#include "model/FileInfoData.h"

#include <benchmark/benchmark.h>
#include <msgpack.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kEntries = 100000;

struct Entry {
    std::string name;
    std::int64_t isDir;
    std::uint64_t size;
    std::uint64_t mtime;
    std::string desc;
    std::int64_t classify;
};

const std::vector<Entry>& entries() {
    static const std::vector<Entry> list = [] {
        std::vector<Entry> v;
        v.reserve(kEntries);
        char name[64];
        for (int i = 0; i < kEntries; ++i) {
            const bool dir = i % 10 == 0;
            std::snprintf(name, sizeof name, dir ? "Folder %d" : "IMG_%06d.jpg", i);
            v.push_back(Entry{name, dir ? 1 : 0, dir ? 0 : 1000u + 7919u * static_cast<unsigned>(i),
                              132'539'328'000'000'000ull + 10'000'000ull * i,
                              dir ? "" : "JPEG image", i % 4 == 0 ? 16 : 0});
        }
        return v;
    }();
    return list;
}

void packListing(pd::msg::Packer& p) {
    p.array(4).integer(266).integer(0).integer(0).array(kEntries);
    for (const Entry& e : entries()) {
        p.array(6)
            .raw(e.name)
            .integer(e.isDir)
            .uinteger(e.size)
            .uinteger(e.mtime)
            .raw(e.desc)
            .integer(e.classify);
    }
}

void packRaw(msgpack_packer* pk, const std::string& s) {
    msgpack_pack_v4raw(pk, s.size());
    msgpack_pack_v4raw_body(pk, s.data(), s.size());
}

void packListingC(msgpack_packer* pk) {
    msgpack_pack_array(pk, 4);
    msgpack_pack_int64(pk, 266);
    msgpack_pack_int64(pk, 0);
    msgpack_pack_int64(pk, 0);
    msgpack_pack_array(pk, kEntries);
    for (const Entry& e : entries()) {
        msgpack_pack_array(pk, 6);
        packRaw(pk, e.name);
        msgpack_pack_int64(pk, e.isDir);
        msgpack_pack_uint64(pk, e.size);
        msgpack_pack_uint64(pk, e.mtime);
        packRaw(pk, e.desc);
        msgpack_pack_int64(pk, e.classify);
    }
}

const std::string& listingBytes() {
    static const std::string bytes = [] {
        pd::msg::Packer p;
        packListing(p);
        return p.take();
    }();
    return bytes;
}

void setBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(listingBytes().size()));
}

// ---- Encoding ----

void BM_Encode_Ours_Cold(benchmark::State& state) {
    entries();
    for (auto _ : state) {
        pd::msg::Packer p;
        packListing(p);
        std::string out = p.take();
        benchmark::DoNotOptimize(out.data());
    }
    setBytes(state);
}
BENCHMARK(BM_Encode_Ours_Cold)->Unit(benchmark::kMillisecond);

void BM_Encode_MsgpackC_Cold(benchmark::State& state) {
    entries();
    for (auto _ : state) {
        msgpack_sbuffer buf;
        msgpack_sbuffer_init(&buf);
        msgpack_packer pk;
        msgpack_packer_init(&pk, &buf, msgpack_sbuffer_write);
        packListingC(&pk);
        std::string out(buf.data, buf.size);  // the same copy out that take() makes
        benchmark::DoNotOptimize(out.data());
        msgpack_sbuffer_destroy(&buf);
    }
    setBytes(state);
}
BENCHMARK(BM_Encode_MsgpackC_Cold)->Unit(benchmark::kMillisecond);

void BM_Encode_Ours_Warm(benchmark::State& state) {
    entries();
    pd::msg::Packer p;
    for (auto _ : state) {
        p.clear();
        packListing(p);
        benchmark::DoNotOptimize(p.bytes().data());
    }
    setBytes(state);
}
BENCHMARK(BM_Encode_Ours_Warm)->Unit(benchmark::kMillisecond);

void BM_Encode_MsgpackC_Warm(benchmark::State& state) {
    entries();
    msgpack_sbuffer buf;
    msgpack_sbuffer_init(&buf);
    msgpack_packer pk;
    msgpack_packer_init(&pk, &buf, msgpack_sbuffer_write);
    for (auto _ : state) {
        msgpack_sbuffer_clear(&buf);
        packListingC(&pk);
        benchmark::DoNotOptimize(buf.data);
    }
    msgpack_sbuffer_destroy(&buf);
    setBytes(state);
}
BENCHMARK(BM_Encode_MsgpackC_Warm)->Unit(benchmark::kMillisecond);

// ---- Decoding ----

void BM_Decode_Ours(benchmark::State& state) {
    const std::string& bytes = listingBytes();
    for (auto _ : state) {
        auto d = pd::msg::decode(bytes);
        benchmark::DoNotOptimize(d->root().size());
    }
    setBytes(state);
}
BENCHMARK(BM_Decode_Ours)->Unit(benchmark::kMillisecond);

void BM_Decode_MsgpackC_UnpackNext(benchmark::State& state) {
    const std::string& bytes = listingBytes();
    for (auto _ : state) {
        msgpack_unpacked u;
        msgpack_unpacked_init(&u);
        std::size_t off = 0;
        const auto rc = msgpack_unpack_next(&u, bytes.data(), bytes.size(), &off);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(u.data.via.array.size);
        msgpack_unpacked_destroy(&u);
    }
    setBytes(state);
}
BENCHMARK(BM_Decode_MsgpackC_UnpackNext)->Unit(benchmark::kMillisecond);

// msgpack-c's older entry point can unpack into a zone kept from the previous iteration.
void BM_Decode_MsgpackC_WarmZone(benchmark::State& state) {
    const std::string& bytes = listingBytes();
    msgpack_zone* zone = msgpack_zone_new(MSGPACK_ZONE_CHUNK_SIZE);
    for (auto _ : state) {
        msgpack_zone_clear(zone);
        msgpack_object obj;
        std::size_t off = 0;
        const auto rc = msgpack_unpack(bytes.data(), bytes.size(), &off, zone, &obj);
        benchmark::DoNotOptimize(rc);
        benchmark::DoNotOptimize(obj.via.array.size);
    }
    msgpack_zone_free(zone);
    setBytes(state);
}
BENCHMARK(BM_Decode_MsgpackC_WarmZone)->Unit(benchmark::kMillisecond);

void BM_Validate_Ours(benchmark::State& state) {
    const std::string& bytes = listingBytes();
    for (auto _ : state) {
        benchmark::DoNotOptimize(pd::msg::validate(bytes));
    }
    setBytes(state);
}
BENCHMARK(BM_Validate_Ours)->Unit(benchmark::kMillisecond);

void BM_DecodeToRecords_Ours(benchmark::State& state) {
    const std::string& bytes = listingBytes();
    for (auto _ : state) {
        auto d = pd::msg::decode(bytes);
        const pd::msg::View list = d->root()[3];
        std::vector<pd::FileInfoData> records;
        records.reserve(list.size());
        for (std::uint32_t i = 0; i < list.size(); ++i) {
            if (auto r = pd::FileInfoData::FileInfoWifhArr(list[i])) {
                records.push_back(std::move(*r));
            }
        }
        benchmark::DoNotOptimize(records.data());
    }
    setBytes(state);
}
BENCHMARK(BM_DecodeToRecords_Ours)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
