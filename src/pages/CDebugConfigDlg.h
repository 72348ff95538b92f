#pragma once
// The debug console page (tab 4): sends hand-typed CMP frames to the device being debugged,
// shows typed, sent and received frames as traffic lines, filters received frames by command
// word, pauses and clears the display, and copies every line to DebugInfo.log while saving.
// Its captions are fixed (no language texts) and it has no initialisation step.
// The device being debugged is the monitor whose row is checked in the monitor list (one at a
// time on this page): Send goes to it alone, and only its frames are shown.
//
// Controls (DebugPageId):
//   1039 frame text (edit)            key-down -> OnKeyDown(virtualKey); swallow when false
//   1044 filter text (edit)           key-down -> OnKeyDown(virtualKey); swallow when false
//   1002 Send "发送"                  click -> OnSend()
//   1045 Confirm "确认"               click -> OnConfirmFilter()
//   1024 traffic display              the IDebugDisplay passed to the constructor
//   1003 Clear "清空信息"             click -> OnClear()
//   1042 Pause "暂停更新"             click -> OnPause()      (caption set by the page)
//   1050 Save file "保存文件"         click -> OnSaveFile()   (caption set by the page)
// Keys in other controls are not filtered. The Qt side turns a key event into a virtual-key
// code with VirtualKeyFromQtKey (pages/DebugKeys.h).
// The main window calls OnReceivedFrame() for each WM_DEBUG_PACKET while tab 4 is current; the
// dispatch posts them only for the checked monitor.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Guid.h"
#include "pages/IDebugDisplay.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"

class CMonitorTable;
class MonitorObject;

inline constexpr char kDebugNoDevice[] = "Please select the device to debug";
inline constexpr char kDebugBadPackage[] = "The input package is error";
inline constexpr char kDebugNoPackage[] = "Please Input the debug package";
inline constexpr char kDebugBadKey[] = "The Input char error!";

inline constexpr char kDebugPauseCaption[] = "暂停更新";
inline constexpr char kDebugContinueCaption[] = "继续更新";
inline constexpr char kDebugSaveCaption[] = "保存文件";
inline constexpr char kDebugStopSavingCaption[] = "取消保存";

class CDebugConfigDlg {
  public:
    // The display holds at most this many lines; reaching it drops the older half.
    static constexpr int kDisplayLineLimit = 200;
    static constexpr int kDisplayLinesDropped = 100;

    // The process-wide monitor table.
    CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display);
    CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display, CMonitorTable& table);

    // Parses field 1039, fixes the checksum and sends the frame to the checked monitor; with
    // none checked, or the checked one gone, shows "Please select the device to debug".
    void OnSend();
    // Replaces the filter with the entries of field 1044 ("*" when it is empty).
    void OnConfirmFilter();
    void OnClear();
    void OnPause();
    void OnSaveFile();
    // True when the key may reach the field; otherwise shows "The Input char error!".
    bool OnKeyDown(int virtualKey);
    // A frame (header first) the monitor sent; shown only while its row is checked, when it
    // becomes the device being debugged.
    void OnReceivedFrame(MonitorObject* monitor, const std::vector<std::uint8_t>& frame);

    const GUID& GetDebugDevice() const { return device_; }
    const std::vector<std::string>& GetFilter() const { return filter_; }
    bool IsPaused() const { return paused_; }
    bool IsSaving() const { return saving_; }

  private:
    // Adds text to the display (unless paused) and keeps it within the line limit.
    void AppendDisplay(const std::string& text);
    // To the display, and to DebugInfo.log while saving.
    void Emit(const std::string& displayText, const std::string& fileText);
    void EmitLine(const std::string& ip, int direction, const std::vector<std::uint8_t>& frame);
    void EmitDeviceHeader(MonitorObject& monitor, const std::string& ip);

    IForm& form_;
    IDialogs& dialogs_;
    IDebugDisplay& display_;
    CMonitorTable& table_;

    GUID device_;
    std::vector<std::string> filter_{"*"};
    bool paused_ = false;
    bool saving_ = false;
};
