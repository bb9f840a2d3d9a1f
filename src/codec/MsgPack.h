#pragma once
// MessagePack in the link's early raw-only dialect, on msgpack-c.
//
// Writing: text and byte buffers are raw (the v4raw calls), integers take their smallest form.
// Reading: the first complete value of a buffer is decoded and trailing bytes are ignored. Before
// msgpack-c sees the bytes, a validator rejects the type bytes the dialect excludes (0xC1,
// 0xC4-0xC9, 0xD4-0xD9) at any depth, container counts larger than the bytes that remain, and
// nesting deeper than kMaxDepth, and values whose tree would exceed kMaxDecodedBytes, so a
// hostile body can neither throw nor allocate gigabytes.

#include <msgpack.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pd::msg {

inline constexpr int kMaxDepth = 32;
// Most memory one decoded tree may take: msgpack-c keeps a sizeof(msgpack_object) (24-byte)
// node for every value, so a frame of one-byte values would otherwise cost 24 times its size.
inline constexpr std::size_t kMaxDecodedBytes = 32u * 1024 * 1024;

// Builds one packed value. Not thread-safe; cheap to create.
class Packer {
  public:
    Packer();
    ~Packer();
    Packer(const Packer&) = delete;
    Packer& operator=(const Packer&) = delete;

    Packer& nil();
    Packer& boolean(bool v);
    Packer& integer(std::int64_t v);  // smallest form (fixint, CC-CF, D0-D3)
    Packer& uinteger(std::uint64_t v);
    Packer& real(double v);
    Packer& raw(std::string_view bytes);  // fixraw / DA / DB
    Packer& array(std::uint32_t count);
    Packer& map(std::uint32_t count);

    std::string_view bytes() const;
    std::string take();  // moves the packed bytes out and resets the packer
    // Drops everything packed after the first `size` bytes (a value that did not fit).
    void truncate(std::size_t size);
    // Forgets the packed bytes but keeps the buffer's capacity for the next value.
    void clear();
    // False once a write failed (out of memory) or a raw was longer than 4 GiB; the bytes
    // are then incomplete and must not be sent. clear() and take() reset it.
    bool ok() const { return ok_; }

  private:
    void check(int rc) { ok_ = ok_ && rc == 0; }
    msgpack_sbuffer buf_;
    msgpack_packer pk_;
    bool ok_ = true;
};

// A read-only view of one decoded value; valid while its Decoded lives. Raw bytes are not
// copied: asRaw() points into the buffer that was decoded, which must outlive the view.
class View {
  public:
    View() = default;
    explicit View(const msgpack_object* o) : o_(o) {}

    bool valid() const { return o_ != nullptr; }
    bool isNil() const;
    bool isBool() const;
    bool isInteger() const;  // positive or negative integer
    bool isRaw() const;
    bool isArray() const;
    bool isMap() const;
    bool isReal() const;

    // Integer as a 64-bit value; nullopt if not an integer or (unsigned) beyond INT64_MAX.
    std::optional<std::int64_t> asInt64() const;
    // Integer used as a 32-bit signed value: nullopt when not an integer or outside the range.
    std::optional<std::int32_t> asInt32() const;
    // Integer "taken as 32-bit signed": wraps to 32 bits as the computer's C code would.
    std::optional<std::int32_t> asInt32Wrapped() const;
    // Integer taken as unsigned 64-bit (negative values wrap).
    std::optional<std::uint64_t> asUInt64() const;
    std::optional<bool> asBool() const;
    std::optional<double> asReal() const;
    // Raw bytes; nullopt unless raw.
    std::optional<std::string_view> asRaw() const;

    std::uint32_t size() const;  // element count of an array or pair count of a map; else 0
    View operator[](std::uint32_t i) const;  // array element; invalid view when out of range
    View mapKey(std::uint32_t i) const;
    View mapValue(std::uint32_t i) const;

    const msgpack_object* object() const { return o_; }

  private:
    const msgpack_object* o_ = nullptr;
};

// Owns the memory of one decoded value (its containers); raw bytes stay in the input buffer.
// The whole tree, root included, lives in the zone, so views stay valid when the Decoded is
// moved. A moved-from Decoded has an invalid root.
class Decoded {
  public:
    Decoded(Decoded&&) noexcept;
    Decoded& operator=(Decoded&&) noexcept;
    ~Decoded();
    View root() const { return View(root_); }

  private:
    friend std::optional<Decoded> decodeValidated(std::string_view bytes, std::size_t length);
    Decoded();
    msgpack_zone* zone_;
    const msgpack_object* root_ = nullptr;
};

// Length in bytes of the first complete value if it is acceptable in the dialect and within
// the limits above; nullopt for an incomplete, malformed or excluded value.
std::optional<std::size_t> validate(std::string_view bytes);

// Decodes the first complete value; nullopt when validate() refuses it.
std::optional<Decoded> decode(std::string_view bytes);
// Raw views would point into the temporary: keep the bytes alive while the value is used.
std::optional<Decoded> decode(std::string&& bytes) = delete;

// Reads the elements of one array a value at a time, each decoded on its own into memory
// reused from one element to the next, so that a long list (a folder listing) costs the memory
// of one element rather than a tree of all of them. The bytes must outlive the reader.
class ArrayReader {
  public:
    // nullopt unless `bytes` starts with an array whose announced elements can fit in them.
    static std::optional<ArrayReader> open(std::string_view bytes);
    ArrayReader(ArrayReader&&) noexcept;
    ArrayReader& operator=(ArrayReader&&) = delete;
    ~ArrayReader();
    std::uint32_t size() const { return count_; }
    // The next element, decoded; valid until the next call. nullopt when none is left or
    // validate() refuses it (then every later call gives nullopt too).
    std::optional<View> next();
    // The bytes of the next element, checked by validate() but not decoded (to open a nested
    // array in turn); nullopt as for next().
    std::optional<std::string_view> nextBytes();
    // The bytes from the next element on, not checked (the last element of a long body can
    // be opened in turn without walking it twice).
    std::string_view rest() const { return rest_; }

  private:
    ArrayReader(std::string_view rest, std::uint32_t count)
        : rest_(rest), count_(count), left_(count) {}
    std::string_view rest_;  // the elements not read yet, and whatever follows the array
    std::uint32_t count_ = 0;
    std::uint32_t left_ = 0;
    msgpack_zone* zone_ = nullptr;  // the current element's tree; created on first use
    msgpack_object element_{};
};

}  // namespace pd::msg
