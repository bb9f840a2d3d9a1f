#include "codec/MsgPack.h"

#include <array>
#include <limits>
#include <utility>

namespace pd::msg {

// ---- Packer ----

Packer::Packer() {
    msgpack_sbuffer_init(&buf_);
    msgpack_packer_init(&pk_, &buf_, msgpack_sbuffer_write);
}

Packer::~Packer() {
    msgpack_sbuffer_destroy(&buf_);
}

Packer& Packer::nil() {
    check(msgpack_pack_nil(&pk_));
    return *this;
}

Packer& Packer::boolean(bool v) {
    check(v ? msgpack_pack_true(&pk_) : msgpack_pack_false(&pk_));
    return *this;
}

// msgpack-c picks the smallest form itself, and packs non-negative values as unsigned.
Packer& Packer::integer(std::int64_t v) {
    check(msgpack_pack_int64(&pk_, v));
    return *this;
}

Packer& Packer::uinteger(std::uint64_t v) {
    check(msgpack_pack_uint64(&pk_, v));
    return *this;
}

Packer& Packer::real(double v) {
    check(msgpack_pack_double(&pk_, v));
    return *this;
}

// The v4raw calls write the early raw family (A0-BF, DA, DB); str 8 (D9) never appears.
Packer& Packer::raw(std::string_view bytes) {
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        ok_ = false;
        return *this;
    }
    check(msgpack_pack_v4raw(&pk_, bytes.size()));
    check(msgpack_pack_v4raw_body(&pk_, bytes.data(), bytes.size()));
    return *this;
}

Packer& Packer::array(std::uint32_t count) {
    check(msgpack_pack_array(&pk_, count));
    return *this;
}

Packer& Packer::map(std::uint32_t count) {
    check(msgpack_pack_map(&pk_, count));
    return *this;
}

std::string_view Packer::bytes() const {
    return buf_.size == 0 ? std::string_view() : std::string_view(buf_.data, buf_.size);
}

std::string Packer::take() {
    std::string out(bytes());
    clear();
    return out;
}

void Packer::truncate(std::size_t size) {
    if (size < buf_.size) {
        buf_.size = size;
    }
}

void Packer::clear() {
    msgpack_sbuffer_clear(&buf_);
    ok_ = true;
}

// ---- View ----

bool View::isNil() const {
    return o_ && o_->type == MSGPACK_OBJECT_NIL;
}
bool View::isBool() const {
    return o_ && o_->type == MSGPACK_OBJECT_BOOLEAN;
}

bool View::isInteger() const {
    return o_ && (o_->type == MSGPACK_OBJECT_POSITIVE_INTEGER ||
                  o_->type == MSGPACK_OBJECT_NEGATIVE_INTEGER);
}

// msgpack-c 4 reports the early raw family as STR; BIN never reaches us (the validator
// refuses its type bytes).
bool View::isRaw() const {
    return o_ && o_->type == MSGPACK_OBJECT_STR;
}
bool View::isArray() const {
    return o_ && o_->type == MSGPACK_OBJECT_ARRAY;
}
bool View::isMap() const {
    return o_ && o_->type == MSGPACK_OBJECT_MAP;
}

bool View::isReal() const {
    return o_ && (o_->type == MSGPACK_OBJECT_FLOAT32 || o_->type == MSGPACK_OBJECT_FLOAT64);
}

std::optional<std::int64_t> View::asInt64() const {
    if (!isInteger()) {
        return std::nullopt;
    }
    if (o_->type == MSGPACK_OBJECT_NEGATIVE_INTEGER) {
        return o_->via.i64;
    }
    if (o_->via.u64 > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(o_->via.u64);
}

std::optional<std::int32_t> View::asInt32() const {
    const auto v = asInt64();
    if (!v || *v < std::numeric_limits<std::int32_t>::min() ||
        *v > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*v);
}

std::optional<std::int32_t> View::asInt32Wrapped() const {
    const auto v = asUInt64();
    if (!v) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(*v));
}

std::optional<std::uint64_t> View::asUInt64() const {
    if (!isInteger()) {
        return std::nullopt;
    }
    if (o_->type == MSGPACK_OBJECT_NEGATIVE_INTEGER) {
        return static_cast<std::uint64_t>(o_->via.i64);
    }
    return o_->via.u64;
}

std::optional<bool> View::asBool() const {
    if (!isBool()) {
        return std::nullopt;
    }
    return o_->via.boolean;
}

std::optional<double> View::asReal() const {
    if (!isReal()) {
        return std::nullopt;
    }
    return o_->via.f64;
}

std::optional<std::string_view> View::asRaw() const {
    if (!isRaw()) {
        return std::nullopt;
    }
    if (o_->via.str.size == 0) {
        return std::string_view();
    }
    return std::string_view(o_->via.str.ptr, o_->via.str.size);
}

std::uint32_t View::size() const {
    if (isArray()) {
        return o_->via.array.size;
    }
    if (isMap()) {
        return o_->via.map.size;
    }
    return 0;
}

View View::operator[](std::uint32_t i) const {
    if (!isArray() || i >= o_->via.array.size) {
        return View();
    }
    return View(&o_->via.array.ptr[i]);
}

View View::mapKey(std::uint32_t i) const {
    if (!isMap() || i >= o_->via.map.size) {
        return View();
    }
    return View(&o_->via.map.ptr[i].key);
}

View View::mapValue(std::uint32_t i) const {
    if (!isMap() || i >= o_->via.map.size) {
        return View();
    }
    return View(&o_->via.map.ptr[i].val);
}

// ---- Decoded ----

Decoded::Decoded() : zone_(nullptr) {}

Decoded::Decoded(Decoded&& other) noexcept
    : zone_(std::exchange(other.zone_, nullptr)), root_(std::exchange(other.root_, nullptr)) {}

Decoded& Decoded::operator=(Decoded&& other) noexcept {
    if (this != &other) {
        if (zone_ != nullptr) {
            msgpack_zone_free(zone_);
        }
        zone_ = std::exchange(other.zone_, nullptr);
        root_ = std::exchange(other.root_, nullptr);
    }
    return *this;
}

Decoded::~Decoded() {
    if (zone_ != nullptr) {
        msgpack_zone_free(zone_);
    }
}

// ---- Validation and decoding ----

namespace {

// What one type byte announces. Scalars and raws have a fixed total size once their length
// field is read; containers announce a number of elements that follow.
struct Head {
    enum Kind { Bad, Scalar, Raw, Container } kind = Bad;
    std::size_t headerSize = 1;     // type byte plus length or value field
    int lengthBytes = 0;            // Raw/Container: size of the big-endian count field
    std::uint32_t inlineCount = 0;  // fixraw length or fixarray/fixmap count
    bool isMap = false;
};

constexpr std::array<Head, 256> makeHeads() {
    std::array<Head, 256> t{};
    for (int b = 0; b < 256; ++b) {
        Head h;
        if (b <= 0x7F || b >= 0xE0 || b == 0xC0 || b == 0xC2 || b == 0xC3) {
            h.kind = Head::Scalar;
        } else if (b <= 0x8F) {
            h = Head{Head::Container, 1, 0, static_cast<std::uint32_t>(b & 0x0F), true};
        } else if (b <= 0x9F) {
            h = Head{Head::Container, 1, 0, static_cast<std::uint32_t>(b & 0x0F), false};
        } else if (b <= 0xBF) {
            h = Head{Head::Raw, 1, 0, static_cast<std::uint32_t>(b & 0x1F), false};
        } else {
            switch (b) {
                case 0xCC:
                case 0xD0:
                    h = Head{Head::Scalar, 2};
                    break;
                case 0xCD:
                case 0xD1:
                    h = Head{Head::Scalar, 3};
                    break;
                case 0xCA:
                case 0xCE:
                case 0xD2:
                    h = Head{Head::Scalar, 5};
                    break;
                case 0xCB:
                case 0xCF:
                case 0xD3:
                    h = Head{Head::Scalar, 9};
                    break;
                case 0xDA:
                    h = Head{Head::Raw, 3, 2};
                    break;
                case 0xDB:
                    h = Head{Head::Raw, 5, 4};
                    break;
                case 0xDC:
                    h = Head{Head::Container, 3, 2, 0, false};
                    break;
                case 0xDD:
                    h = Head{Head::Container, 5, 4, 0, false};
                    break;
                case 0xDE:
                    h = Head{Head::Container, 3, 2, 0, true};
                    break;
                case 0xDF:
                    h = Head{Head::Container, 5, 4, 0, true};
                    break;
                default:  // C1, bin/ext C4-C9, fixext D4-D8, str 8 D9
                    h.kind = Head::Bad;
                    break;
            }
        }
        t[static_cast<std::size_t>(b)] = h;
    }
    return t;
}

constexpr std::array<Head, 256> kHeads = makeHeads();

constexpr std::size_t kLoneScalarZoneSize = 64;

std::uint32_t readCount(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

}  // namespace

// One pass over the first value without allocating. Besides walking the value, it keeps the
// number of announced elements not yet started: each needs at least one byte, so when they
// outnumber the bytes left the value cannot be complete and is refused at once, before
// msgpack-c would reserve memory for them. Every container counts towards the depth, as
// msgpack-c counts it.
std::optional<std::size_t> validate(std::string_view bytes) {
    const auto* const begin = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const auto* const end = begin + bytes.size();
    const auto* p = begin;
    // Elements still to start, per open container; only entries below `depth` are read, so it
    // is left uninitialised (this runs once per entry of a listing).
    std::array<std::uint64_t, kMaxDepth> open;
    int depth = 0;
    std::uint64_t pending = 0;  // sum of open[]
    std::uint64_t values = 0;   // nodes of the decoded tree
    constexpr std::uint64_t kMaxValues = kMaxDecodedBytes / sizeof(msgpack_object);

    for (;;) {
        if (p == end) {
            return std::nullopt;
        }
        const Head& h = kHeads[*p];
        const auto left = static_cast<std::size_t>(end - p);
        if (h.kind == Head::Bad || left < h.headerSize || ++values > kMaxValues) {
            return std::nullopt;
        }
        bool opened = false;
        if (h.kind == Head::Scalar) {
            p += h.headerSize;
        } else {
            const std::uint32_t n =
                h.lengthBytes == 0 ? h.inlineCount : readCount(p + 1, h.lengthBytes);
            p += h.headerSize;
            const auto rest = static_cast<std::size_t>(end - p);
            if (h.kind == Head::Raw) {
                if (n > rest) {
                    return std::nullopt;
                }
                p += n;
            } else {
                if (depth == kMaxDepth) {
                    return std::nullopt;
                }
                const std::uint64_t elements = h.isMap ? 2ull * n : n;
                if (elements > 0) {
                    if (pending + elements > rest) {
                        return std::nullopt;
                    }
                    open[static_cast<std::size_t>(depth++)] = elements;
                    pending += elements;
                    opened = true;
                }
            }
        }
        if (pending > static_cast<std::size_t>(end - p)) {
            return std::nullopt;
        }
        if (!opened) {
            // A value ended: close every container it completed.
            while (depth > 0 && open[static_cast<std::size_t>(depth - 1)] == 0) {
                --depth;
            }
            if (depth == 0) {
                return static_cast<std::size_t>(p - begin);
            }
        }
        --open[static_cast<std::size_t>(depth - 1)];
        --pending;
    }
}

// Decodes the first `length` bytes, which validate() accepted as one value.
std::optional<Decoded> decodeValidated(std::string_view bytes, std::size_t length) {
    msgpack_unpacked unpacked;
    msgpack_unpacked_init(&unpacked);
    std::size_t offset = 0;
    const auto rc = msgpack_unpack_next(&unpacked, bytes.data(), length, &offset);
    if (rc != MSGPACK_UNPACK_SUCCESS || offset != length) {
        msgpack_unpacked_destroy(&unpacked);
        return std::nullopt;
    }
    Decoded out;
    out.zone_ = msgpack_unpacked_release_zone(&unpacked);
    if (out.zone_ == nullptr) {  // a lone scalar needs no zone of its own; give it a small one
        out.zone_ = msgpack_zone_new(kLoneScalarZoneSize);
        if (out.zone_ == nullptr) {
            return std::nullopt;
        }
    }
    // The root goes into the zone too, so that moving the Decoded leaves views valid.
    auto* root =
        static_cast<msgpack_object*>(msgpack_zone_malloc(out.zone_, sizeof(msgpack_object)));
    if (root == nullptr) {
        return std::nullopt;
    }
    *root = unpacked.data;
    out.root_ = root;
    return out;
}

std::optional<Decoded> decode(std::string_view bytes) {
    const auto length = validate(bytes);
    if (!length) {
        return std::nullopt;
    }
    return decodeValidated(bytes, *length);
}

// ---- ArrayReader ----

std::optional<ArrayReader> ArrayReader::open(std::string_view bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const Head& h = kHeads[*p];
    if (h.kind != Head::Container || h.isMap || bytes.size() < h.headerSize) {
        return std::nullopt;
    }
    const std::uint32_t count =
        h.lengthBytes == 0 ? h.inlineCount : readCount(p + 1, h.lengthBytes);
    const std::string_view rest = bytes.substr(h.headerSize);
    if (count > rest.size()) {  // every element takes at least one byte
        return std::nullopt;
    }
    return ArrayReader(rest, count);
}

std::optional<std::string_view> ArrayReader::nextBytes() {
    if (left_ == 0) {
        return std::nullopt;
    }
    const auto length = validate(rest_);
    if (!length) {
        left_ = 0;  // the rest cannot be found without this one
        return std::nullopt;
    }
    const std::string_view element = rest_.substr(0, *length);
    rest_.remove_prefix(*length);
    --left_;
    return element;
}

// msgpack_unpack (unlike msgpack_unpack_next) fills a zone we keep, so a listing does not
// create and free one per entry.
std::optional<View> ArrayReader::next() {
    const auto element = nextBytes();
    if (!element) {
        return std::nullopt;
    }
    if (zone_ == nullptr) {
        zone_ = msgpack_zone_new(MSGPACK_ZONE_CHUNK_SIZE);
        if (zone_ == nullptr) {
            left_ = 0;
            return std::nullopt;
        }
    } else {
        msgpack_zone_clear(zone_);
    }
    std::size_t offset = 0;
    const auto rc = msgpack_unpack(element->data(), element->size(), &offset, zone_, &element_);
    if (rc != MSGPACK_UNPACK_SUCCESS || offset != element->size()) {
        left_ = 0;
        return std::nullopt;
    }
    return View(&element_);
}

ArrayReader::ArrayReader(ArrayReader&& other) noexcept
    : rest_(other.rest_),
      count_(other.count_),
      left_(other.left_),
      zone_(std::exchange(other.zone_, nullptr)),
      element_(other.element_) {}

ArrayReader::~ArrayReader() {
    if (zone_ != nullptr) {
        msgpack_zone_free(zone_);
    }
}

}  // namespace pd::msg
