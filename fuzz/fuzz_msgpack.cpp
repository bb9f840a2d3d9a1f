// Decodes arbitrary bytes and walks every view. Checks that validate() and decode() agree,
// that raw views stay inside the input, that the first value cannot be cut shorter, and that
// re-packing the tree gives bytes that decode to the same tree, and that reading an array an
// element at a time gives the elements of the tree.
#include "codec/MsgPack.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

using pd::msg::View;

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Walk {
    std::string_view input;
    std::size_t nodes = 0;

    void visit(View v, int depth) {
        require(v.valid());
        require(depth <= pd::msg::kMaxDepth);
        ++nodes;
        (void)v.asInt64();
        (void)v.asInt32();
        (void)v.asInt32Wrapped();
        (void)v.asUInt64();
        (void)v.asBool();
        (void)v.asReal();
        if (auto raw = v.asRaw(); raw && !raw->empty()) {
            require(raw->data() >= input.data());
            require(raw->data() + raw->size() <= input.data() + input.size());
        }
        require(v[v.size()].valid() == false);
        if (v.isArray()) {
            for (std::uint32_t i = 0; i < v.size(); ++i) {
                visit(v[i], depth + 1);
            }
        } else if (v.isMap()) {
            for (std::uint32_t i = 0; i < v.size(); ++i) {
                visit(v.mapKey(i), depth + 1);
                visit(v.mapValue(i), depth + 1);
            }
        }
    }
};

void repack(View v, pd::msg::Packer& p) {
    if (v.isNil()) {
        p.nil();
    } else if (v.isBool()) {
        p.boolean(*v.asBool());
    } else if (v.isInteger()) {
        if (auto i = v.asInt64()) {
            p.integer(*i);
        } else {
            p.uinteger(*v.asUInt64());
        }
    } else if (v.isReal()) {
        p.real(*v.asReal());
    } else if (v.isRaw()) {
        p.raw(*v.asRaw());
    } else if (v.isArray()) {
        p.array(v.size());
        for (std::uint32_t i = 0; i < v.size(); ++i) {
            repack(v[i], p);
        }
    } else {
        require(v.isMap());
        p.map(v.size());
        for (std::uint32_t i = 0; i < v.size(); ++i) {
            repack(v.mapKey(i), p);
            repack(v.mapValue(i), p);
        }
    }
}

bool same(View a, View b) {
    if (a.isReal() || b.isReal()) {
        if (!a.isReal() || !b.isReal()) {
            return false;
        }
        const double x = *a.asReal();
        const double y = *b.asReal();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    if (a.isInteger() != b.isInteger() || a.asUInt64() != b.asUInt64() ||
        a.asInt64() != b.asInt64() || a.isNil() != b.isNil() || a.asBool() != b.asBool() ||
        a.asRaw() != b.asRaw() || a.isArray() != b.isArray() || a.isMap() != b.isMap() ||
        a.size() != b.size()) {
        return false;
    }
    for (std::uint32_t i = 0; i < a.size(); ++i) {
        if (a.isArray() ? !same(a[i], b[i])
                        : !same(a.mapKey(i), b.mapKey(i)) || !same(a.mapValue(i), b.mapValue(i))) {
            return false;
        }
    }
    return true;
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

    Walk walk{bytes.substr(0, *length)};
    walk.visit(decoded->root(), 0);
    require(walk.nodes <= *length);  // every value takes at least one byte

    if (auto reader = pd::msg::ArrayReader::open(bytes)) {
        require(decoded->root().isArray() && reader->size() == decoded->root().size());
        for (std::uint32_t i = 0; i < reader->size(); ++i) {
            auto element = reader->next();
            require(element.has_value() && same(*element, decoded->root()[i]));
        }
        require(!reader->next());
    } else {
        require(!decoded->root().isArray());
    }

    pd::msg::Packer packer;
    repack(decoded->root(), packer);
    require(packer.ok());
    const std::string again = packer.take();
    auto redecoded = pd::msg::decode(again);
    require(redecoded.has_value());
    require(pd::msg::validate(again) == again.size());
    require(same(decoded->root(), redecoded->root()));
    return 0;
}
