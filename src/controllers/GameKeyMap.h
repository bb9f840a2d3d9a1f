#pragma once
// The gamepad's key assignments: the 14 buttons and where each configuration keeps their key
// names in the user-defaults store, the two default configurations, the names the settings
// screen offers, and the table that turns a key name into the one-byte code sent to the
// computer.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pd {

class UserDefaults;

// In the order the settings screen fills them in.
enum class GameButton {
    Up,
    Down,
    Left,
    Right,
    Triangle,
    Square,
    Ring,
    X,
    L1,
    L2,
    R1,
    R2,
    Start,
    Select,
};
inline constexpr std::size_t kGameButtonCount = 14;

struct GameButtonInfo {
    GameButton button;
    std::string_view stem;      // stored as "GAME" + stem + "BN" + configuration
    std::string_view default1;  // configuration 1 ("game config1")
    std::string_view default2;  // configuration 2 ("game config2")
};

// The configuration the pad plays with: the one whose settings screen was opened last.
inline constexpr const char* kGameHandleSetTypeKey = "GameHanleSetType";

// Every button, in GameButton order.
const std::array<GameButtonInfo, kGameButtonCount>& gameButtons();
const GameButtonInfo& gameButtonInfo(GameButton button);
// "GAMEUPBN1" and so on.
std::string gameKeyStorageKey(GameButton button, std::int64_t configuration);
// Configuration 2's default for 2, configuration 1's for anything else.
std::string_view defaultKeyName(GameButton button, int configuration);

// The 63 names the selection list offers, in its order.
const std::vector<std::string>& selectableKeyNames();
bool isSelectableKeyName(std::string_view name);

// Key name -> code text (a decimal number); 98 entries.
using KeyMapDic = std::map<std::string, std::string, std::less<>>;
KeyMapDic GenKeyMapCode();
// The code sent for a name: its low 8 bits; a name not in the table is 0.
std::uint8_t keyCodeFor(const KeyMapDic& keyMapDic, std::string_view name);

// The names the pad plays with, indexed by GameButton.
using GameKeyNames = std::array<std::string, kGameButtonCount>;
// For each button the name stored for the configuration in "GameHanleSetType" (absent reads
// as 0), else its configuration-1 default.
GameKeyNames InitKeyValue(const UserDefaults& defaults);

}  // namespace pd
