#pragma once
// One row of a page's bindings: which user action on which control runs which of the page's
// handlers. The window routes them; a front end only says how its controls raise them.
#include <functional>

enum class PageEvent {
    kClicked,  // a button, check box or radio button was clicked
    kKeyDown,  // a key went down in a text field, before it is typed
};

struct PageBinding {
    int id;
    PageEvent event;
    std::function<void()> clicked;
    // The key as a Windows virtual-key code; false swallows it.
    std::function<bool(int virtualKey)> keyDown;
};

inline PageBinding OnClicked(int id, std::function<void()> handler) {
    return {id, PageEvent::kClicked, std::move(handler), {}};
}
inline PageBinding OnKeyDown(int id, std::function<bool(int)> handler) {
    return {id, PageEvent::kKeyDown, {}, std::move(handler)};
}
