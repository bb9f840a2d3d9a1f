#pragma once
// Moving between the application's top-level screens. The application object implements it;
// a screen asks for the next screen here instead of building it.

namespace pd {

class Navigator {
  public:
    virtual ~Navigator() = default;
    // The tabs shown while a computer is connected.
    virtual void showMainTabs() {}
    // The More screen.
    virtual void showMore() {}
    // Closes the screens above the server list (the link stays) and shows it.
    virtual void returnToServerList() {}
};

}  // namespace pd
