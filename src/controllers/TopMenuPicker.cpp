#include "controllers/TopMenuPicker.h"

#include <algorithm>

namespace pd {

std::vector<MenuEntry> TopMenuPicker::CreateFileMenuData() {
    return {{17, "computer"}, {16, "pic"}, {256, "video"}, {4096, "music"}, {1, "file"}};
}

std::vector<MenuEntry> TopMenuPicker::CreateHttpDownMenuData() {
    return {{0x10000000, "downloaded"}, {0x11100000, "downloading"}};
}

std::vector<MenuEntry> TopMenuPicker::CreateIntelligentMenuData() {
    return {{10, "computer"},
            {20, "music"},
            {30, "PPT demonstration"},
            {40, "game handle"},
            {50, "mic"}};
}

std::vector<MenuEntry> TopMenuPicker::CreateBackMenuData() {
    return {{0x11110000, "shake backup"}, {0x11111000, "select pic"}};
}

std::vector<MenuEntry> TopMenuPicker::menuData(int nCurType) {
    switch (nCurType) {
        case kFileMenu:
            return CreateFileMenuData();
        case kHttpDownMenu:
            return CreateHttpDownMenuData();
        case kIntelligentMenu:
            return CreateIntelligentMenuData();
        case kBackMenu:
            return CreateBackMenuData();
        default:
            return {};
    }
}

TopMenuPicker::TopMenuPicker(int nCurType) : nCurType_(nCurType), datas_(menuData(nCurType)) {
    if (!datas_.empty()) {
        selectedData_ = datas_.front().value;
    }
}

void TopMenuPicker::setDatas(std::vector<MenuEntry> datas) {
    datas_ = std::move(datas);
    selectDataAtIndex(0);
}

bool TopMenuPicker::selectDataAtIndex(std::size_t index) {
    if (index >= datas_.size()) {
        return false;
    }
    selectedData_ = datas_[index].value;
    if (target_) {
        target_(selectedData_);
    }
    return true;
}

bool TopMenuPicker::selectData(std::int32_t value) {
    auto found = std::ranges::find(datas_, value, &MenuEntry::value);
    return found != datas_.end() &&
           selectDataAtIndex(static_cast<std::size_t>(found - datas_.begin()));
}

std::optional<std::size_t> TopMenuPicker::selectedIndex() const {
    auto found = std::ranges::find(datas_, selectedData_, &MenuEntry::value);
    if (found == datas_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(found - datas_.begin());
}

}  // namespace pd
