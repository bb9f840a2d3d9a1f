// The section menu shared by the browser, downloads, backup and remote control screens.

#include "controllers/BackFileViewController.h"
#include "controllers/TopMenuPicker.h"

#include <gtest/gtest.h>

namespace pd {
namespace {

TEST(TopMenuPickerTest, EachMenuHoldsItsValuesAndASelectionTellsTheTargetOnce) {
    const std::pair<int, std::vector<std::int32_t>> menus[] = {
        {TopMenuPicker::kFileMenu, {17, 16, 256, 4096, 1}},
        {TopMenuPicker::kHttpDownMenu, {0x10000000, 0x11100000}},
        {TopMenuPicker::kIntelligentMenu, {10, 20, 30, 40, 50}},
        {TopMenuPicker::kBackMenu,
         {static_cast<std::int32_t>(BackFileViewController::kShakeTab),
          static_cast<std::int32_t>(BackFileViewController::kSelectTab)}},
    };
    for (const auto& [type, values] : menus) {
        TopMenuPicker picker(type);
        std::vector<std::int32_t> held;
        for (const MenuEntry& e : picker.datas()) {
            held.push_back(e.value);
        }
        EXPECT_EQ(held, values) << type;
        EXPECT_EQ(picker.selectedData(), values.front());
    }

    TopMenuPicker picker(TopMenuPicker::kIntelligentMenu);
    std::vector<std::int32_t> told;
    picker.setTarget([&](std::int32_t v) { told.push_back(v); });
    EXPECT_TRUE(picker.selectData(30));
    EXPECT_TRUE(picker.selectDataAtIndex(4));
    EXPECT_FALSE(picker.selectDataAtIndex(5));
    EXPECT_FALSE(picker.selectData(35));
    EXPECT_EQ(picker.selectedIndex(), 4u);
    picker.setDatas({{7, "a"}, {8, "b"}});  // a new list selects its first item
    EXPECT_EQ(told, (std::vector<std::int32_t>{30, 50, 7}));
    EXPECT_EQ(picker.GetMenuItemCount(), 2u);
}

}  // namespace
}  // namespace pd
