#pragma once
// What a front end's main window supplies to the window that both front ends share
// (MainWindow): its tab row, its six page forms, the routing of their user actions and the
// monitor list's drawing. Nothing of this decides anything.
#include <array>
#include <string>
#include <vector>

#include "app/MainWindowLogic.h"
#include "pages/IForm.h"
#include "pages/PageBinding.h"

class IWindowControls {
  public:
    virtual ~IWindowControls() = default;

    // The form of the page of tab `tab` (0..5), built from that page's description.
    virtual IForm& PageForm(int tab) = 0;
    // From now on the user actions of `bindings` on page `tab` run their handlers.
    virtual void Bind(int tab, const std::vector<PageBinding>& bindings) = 0;

    // Deletes every tab and inserts the six with these captions, without a change notification.
    virtual void RebuildTabs(const std::array<std::string, kMainTabCount>& captions) = 0;
    virtual int CurrentTab() const = 0;
    // Selects a tab without a change notification.
    virtual void SelectTab(int index) = 0;
    // Shows the page of `page` and hides every other; kNoPage hides them all.
    virtual void ShowOnlyPage(int page) = 0;
    // Redraws the monitor list from its model, with or without the upgrade progress column.
    virtual void MirrorList(bool progressColumnActive) = 0;
};
