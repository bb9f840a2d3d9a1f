#pragma once
// Handles one message payload from the computer: decodes the envelope and the body array,
// checks the element count and the request number, stores the result and calls the callback
// registered for it. Anything malformed or stale is dropped and changes nothing.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pd {

class LinkState;

namespace link {

// Most entries one listing may have; a longer one is refused as a failed listing
// (kResultListingTooLong). The peer serves folders of 100,000 entries and more.
inline constexpr std::uint32_t kMaxListingEntries = 1'000'000;

// Runs on the link thread. Callbacks are called from inside; when one of them stops the link
// (destroys its owner), the caller must check LinkState::stopped before going on.
void dispatchPayload(const std::shared_ptr<LinkState>& state, std::string_view payload);

// Leading decimal integer of a text (after optional spaces and a sign), with overflow checks:
// nullopt when there are no digits or the value does not fit in 32 bits.
std::optional<std::int32_t> leadingInt32(std::string_view text);

}  // namespace link
}  // namespace pd
