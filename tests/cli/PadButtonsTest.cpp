// The gamepad's button names and the keys a terminal sends for them.

#include "PadButtons.h"

#include <gtest/gtest.h>

using namespace pd;
using namespace pd::cli;

namespace {

// The names of what the bytes press, "leave" for Esc or Ctrl-C.
std::vector<std::string> pressed(std::string_view typed) {
    std::vector<std::string> names;
    for (const PadButton* b : decodeTypedKeys(typed)) {
        names.emplace_back(b ? b->name : "leave");
    }
    return names;
}

TEST(PadButtons, TypedBytesBecomeButtonsOrLeaving) {
    using Names = std::vector<std::string>;
    const struct {
        std::string typed;
        Names expected;
    } cases[] = {
        {"kKq", {"x", "x", "l1"}},
        {"\033[A\033[B\033[D\033[C", {"up", "down", "left", "right"}},
        {"\033OA", {"up"}},  // application cursor mode
        {"wasd", {"up", "left", "down", "right"}},
        {"\r\n ", {"start", "start", "select"}},
        {"\033", {"leave"}},
        {"\x03", {"leave"}},
        {"k\033", {"x", "leave"}},
        // F5, a Ctrl-arrow and an unfinished sequence press nothing, and do not leave.
        {"\033[15~\033[1;5Ak", {"x"}},
        {"\033[", {}},
        {"y7!", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pressed(c.typed), c.expected) << c.typed;
    }
}

TEST(PadButtons, ScriptStepsNameAButtonAndOptionallyAPart) {
    const auto held = parsePadStep("up:down");
    ASSERT_TRUE(held);
    EXPECT_EQ(held->button->button, GameButton::Up);
    EXPECT_EQ(held->part, PadStep::Part::Down);
    EXPECT_EQ(parsePadStep("l1:up")->part, PadStep::Part::Up);
    EXPECT_EQ(parsePadStep("select")->part, PadStep::Part::Both);
    for (const char* wrong : {"jump", "x:", "x:sideways", "X", ":down", ""}) {
        EXPECT_FALSE(parsePadStep(wrong)) << wrong;
    }
    // Every button has one name and one key.
    for (const PadButton& b : padButtons()) {
        EXPECT_EQ(findPadButton(b.name), &b);
        EXPECT_EQ(decodeTypedKeys(std::string(1, b.key)), std::vector<const PadButton*>{&b});
    }
}

}  // namespace
