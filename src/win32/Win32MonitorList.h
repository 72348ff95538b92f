#pragma once
// The main window's monitor list over a report-style SysListView32 with check boxes: it mirrors
// the monitor list model on the UI thread whenever the model's revision moves, hands the user's
// check changes back to the model, and draws the upgrade column as a progress bar with its
// "NN%" text while the upgrade page is shown.

#include "win32/Win32Api.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "registry/MonitorListModel.h"

class Win32MonitorList {
  public:
    static constexpr int kProgressColumn = 4;

    explicit Win32MonitorList(MonitorListModel& model) : model_(model) {}
    // Takes the list control: styles, five centred columns W/10, W/5, 2W/5, W/10, W/5 of its
    // client width W.
    void Attach(HWND list);
    HWND Handle() const { return list_; }

    // Copies rows, check marks, headers and visibility when the model changed since last time.
    void Mirror();
    void SetProgressColumnActive(bool active);
    bool IsProgressColumnActive() const { return progressActive_; }

    // LVN_ITEMCHANGED: the row whose check mark the user changed (the model already holds
    // it), or -1.
    int OnItemChanged(const NMLISTVIEW& change);
    // LVN_GETINFOTIPW: the hovered row's whole state text, when it has one.
    void OnGetInfoTip(NMLVGETINFOTIPW& tip) const;
    // NM_CUSTOMDRAW: the value the list expects back.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;

  private:
    void DrawProgress(NMLVCUSTOMDRAW& draw, int progress) const;

    MonitorListModel& model_;
    HWND list_ = nullptr;
    std::vector<MonitorListModel::Row> shown_;
    std::array<std::string, MonitorListModel::kColumns> headers_;
    std::uint64_t revision_ = 0;
    bool mirrored_ = false;
    bool mirroring_ = false;  // our own changes raise no check notifications
    bool progressActive_ = false;
};
