#pragma once
// The horizontal section menu of the file browser, the download list, the remote control panel
// and the backup screen: an ordered list of item values with one selected. Selecting an item
// (by a tap, a swipe or program) fires one value-changed call to the menu's target.
//
// Main queue only.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pd {

struct MenuEntry {
    std::int32_t value;
    std::string labelKey;  // localisation key of the label

    bool operator==(const MenuEntry&) const = default;
};

class TopMenuPicker {
  public:
    // Which menu a picker shows (nCurType).
    enum MenuType : int { kFileMenu = 0, kHttpDownMenu = 1, kIntelligentMenu = 2, kBackMenu = 3 };

    static std::vector<MenuEntry> CreateFileMenuData();
    static std::vector<MenuEntry> CreateHttpDownMenuData();
    static std::vector<MenuEntry> CreateIntelligentMenuData();
    static std::vector<MenuEntry> CreateBackMenuData();
    // The entries of one of the four menus (empty for another type).
    static std::vector<MenuEntry> menuData(int nCurType);

    // A picker showing menu `nCurType`, its first item selected without a call to the target.
    explicit TopMenuPicker(int nCurType = kFileMenu);

    // Called once for each selection with the selected value.
    void setTarget(std::function<void(std::int32_t)> valueChanged) {
        target_ = std::move(valueChanged);
    }
    // A new list selects its first item (and tells the target, as any selection does).
    void setDatas(std::vector<MenuEntry> datas);

    std::size_t GetMenuItemCount() const { return datas_.size(); }
    // False, and nothing changes, for an index or value the menu does not hold.
    bool selectDataAtIndex(std::size_t index);
    bool selectData(std::int32_t value);

    int nCurType() const { return nCurType_; }
    const std::vector<MenuEntry>& datas() const { return datas_; }
    std::int32_t selectedData() const { return selectedData_; }
    std::optional<std::size_t> selectedIndex() const;

  private:
    int nCurType_;
    std::vector<MenuEntry> datas_;
    std::int32_t selectedData_ = 0;
    std::function<void(std::int32_t)> target_;
};

}  // namespace pd
