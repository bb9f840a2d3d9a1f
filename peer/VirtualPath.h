#pragma once
// A path as the phone names it on the computer: the root (empty text), a drive ("C:", "C:/x",
// "C:\x\y") or the desktop ("Desktop", "Desktop/x"). Parsing is purely textual: it refuses
// anything that could climb out of the tree before the disk is ever touched.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pd::peer {

inline constexpr std::size_t kMaxPathBytes = 4096;
inline constexpr std::size_t kMaxComponentBytes = 255;
inline constexpr const char* kDesktopName = "Desktop";

class VirtualPath {
  public:
    enum class Base { Root, Drive, Desktop };

    // nullopt for text that is not a path inside the tree: ".." anywhere, NUL bytes, invalid
    // UTF-8, over-long text, or a first component that is neither "X:" nor "Desktop".
    static std::optional<VirtualPath> parse(std::string_view text);

    Base base() const { return base_; }
    char driveLetter() const { return letter_; }  // upper case; only for Base::Drive
    const std::vector<std::string>& components() const { return parts_; }

    // "C:\Music\Pop", "C:\" for a drive itself, "Desktop\x"; empty for the root.
    std::string windowsText() const;
    // "C:/Music/Pop", "C:" for a drive itself, "Desktop/x"; empty for the root.
    std::string slashText() const;

  private:
    Base base_ = Base::Root;
    char letter_ = 0;
    std::vector<std::string> parts_;
};

}  // namespace pd::peer
