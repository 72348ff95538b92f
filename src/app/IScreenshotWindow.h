#pragma once
// What the screenshot run needs of a front end's main window.
#include <functional>
#include <string>

class MainWindow;

class IScreenshotWindow {
  public:
    virtual ~IScreenshotWindow() = default;
    virtual MainWindow& Core() = 0;
    // Shows the window at the screen's top left corner.
    virtual void Show() = 0;
    // Chooses the tab as the user's click does (the window hears of the change).
    virtual void ChooseTab(int tab) = 0;
    // Handles the window's events for `ms`, or until `done` holds (false at the time-out).
    virtual bool Pump(int ms, const std::function<bool()>& done = {}) = 0;
    // Writes the window as drawn now to a PNG file at `path` (UTF-8).
    virtual bool Capture(const std::string& path) = 0;
};
