// Decodes arbitrary bytes and walks every view. Checks that validate() and decode() agree,
// that raw views stay inside the input, that the first value cannot be cut shorter, that the
// tree re-packs into bytes that decode and re-pack to the same bytes, and that reading an array
// an element at a time gives the elements of the tree.
#include "codec/MsgPack.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using pd::msg::View;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Re-packs a tree, reading every view with every accessor on the way.
struct Repack {
    explicit Repack(std::string_view in) : input(in) {}
    std::string_view input;
    std::size_t nodes = 0;
    pd::msg::Packer packer;

    void value(View v, int depth) {
        require(v.valid() && depth <= pd::msg::kMaxDepth && !v[v.size()].valid());
        ++nodes;
        (void)v.asInt32();
        (void)v.asInt32Wrapped();
        (void)v.asBool();
        if (v.isNil()) {
            packer.nil();
        } else if (v.isBool()) {
            packer.boolean(*v.asBool());
        } else if (auto i = v.asInt64()) {
            packer.integer(*i);
        } else if (auto u = v.asUInt64()) {
            packer.uinteger(*u);
        } else if (auto real = v.asReal()) {
            packer.real(*real);
        } else if (auto raw = v.asRaw()) {
            require(raw->empty() || (raw->data() >= input.data() &&
                                     raw->data() + raw->size() <= input.data() + input.size()));
            packer.raw(*raw);
        } else if (v.isArray()) {
            packer.array(v.size());
            for (std::uint32_t i = 0; i < v.size(); ++i) {
                value(v[i], depth + 1);
            }
        } else {
            require(v.isMap());
            packer.map(v.size());
            for (std::uint32_t i = 0; i < v.size(); ++i) {
                value(v.mapKey(i), depth + 1);
                value(v.mapValue(i), depth + 1);
            }
        }
    }
};

std::string repacked(View v, std::string_view input) {
    Repack r{input};
    r.value(v, 0);
    require(r.packer.ok());
    return r.packer.take();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto length = pd::msg::validate(bytes);
    auto decoded = pd::msg::decode(bytes);
    require(length.has_value() == decoded.has_value());
    if (!decoded) {
        return 0;
    }
    require(*length >= 1 && *length <= size);
    // MessagePack is prefix-free: one byte less cannot hold a complete value.
    require(!pd::msg::validate(bytes.substr(0, *length - 1)));

    const View root = decoded->root();
    Repack first{bytes.substr(0, *length)};
    first.value(root, 0);
    require(first.packer.ok() && first.nodes <= *length);  // every value takes at least one byte
    const std::string again = first.packer.take();
    const auto redecoded = pd::msg::decode(again);
    require(redecoded && pd::msg::validate(again) == again.size());
    require(repacked(redecoded->root(), again) == again);

    if (auto reader = pd::msg::ArrayReader::open(bytes)) {
        require(root.isArray() && reader->size() == root.size());
        for (std::uint32_t i = 0; i < reader->size(); ++i) {
            const auto element = reader->next();
            require(element && repacked(*element, bytes) == repacked(root[i], bytes));
        }
        require(!reader->next());
    } else {
        require(!root.isArray());
    }
    return 0;
}
