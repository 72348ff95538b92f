#pragma once
// The debug console page (tab 4): sends hand-typed CMP frames to the device being debugged,
// shows typed, sent and received frames as traffic lines, filters received frames by command
// word, pauses and clears the display, and copies every line to DebugInfo.log while saving.
// Its captions and the column heads written before each sent frame are language texts; its
// message boxes keep their fixed English wording.
// The device being debugged is the monitor whose row is checked in the monitor list (one at a
// time on this page): Send goes to it alone, and only its frames are shown.
//
// Controls (DebugPageId):
//   1077 frame label (text 99)
//   1039 frame text (edit)            key-down -> OnKeyDown(1039, virtualKey); swallow when false
//   1002 Send (text 101)              click -> OnSend()
//   1078 filter label (text 100)
//   1044 filter text (edit)           key-down -> OnKeyDown(1044, virtualKey); swallow when false
//   1045 Confirm (text 102)           click -> OnConfirmFilter()
//   1024 traffic display              the IDebugDisplay passed to the constructor
//   1003 Clear (text 103)             click -> OnClear()
//   1042 Pause (104) / Resume (105)   click -> OnPause()
//   1050 Save file (106) / Stop saving (107)   click -> OnSaveFile()
// Column heads: texts 110 to 112 above the device line, 113 to 119 above the traffic lines.
// The main window calls InitForm() at start and RefreshCaptions() after every language change;
// both fill the texts.
// Keys in other controls are not filtered. The Qt side turns a key event into a virtual-key
// code with VirtualKeyFromQtKey (qt/QtVirtualKeys.h).
// The main window calls OnReceivedFrame() for each WM_DEBUG_PACKET while tab 4 is current; the
// dispatch posts them only for the checked monitor.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "foundation/Guid.h"
#include "foundation/TextId.h"
#include "pages/IDebugDisplay.h"
#include "pages/IDialogs.h"
#include "pages/IForm.h"
#include "pages/IPage.h"

class CMonitorTable;
class MonitorObject;

inline constexpr char kDebugNoDevice[] = "Please select the device to debug";
inline constexpr char kDebugBadPackage[] = "The input package is error";
inline constexpr char kDebugNoPackage[] = "Please Input the debug package";
inline constexpr char kDebugBadKey[] = "The Input char error!";

class CDebugConfigDlg : public IPage {
  public:
    // The display holds at most this many lines; reaching it drops the older half.
    static constexpr int kDisplayLineLimit = 200;
    static constexpr int kDisplayLinesDropped = 100;

    using TextLookup = std::function<std::string(int)>;

    // The process-wide monitor table and language texts.
    CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display);
    CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display, CMonitorTable& table,
                    TextLookup text);

    // Sets the labels and button captions (Pause and Save file as their state stands).
    void InitForm() override { RefreshCaptions(); }
    void RefreshCaptions() override;

    // Parses field 1039, fixes the checksum and sends the frame to the checked monitor; with
    // none checked, or the checked one gone, shows "Please select the device to debug"; a text
    // too short for a header or for its length field shows "The input package is error".
    void OnSend();
    // Replaces the filter with the entries of field 1044 ("*" when it is empty).
    void OnConfirmFilter();
    void OnClear();
    void OnPause();
    void OnSaveFile();
    // True when the key may reach field `field` (1039 or 1044); otherwise shows "The Input
    // char error!". Enter is swallowed and works as Send (1039) or Confirm (1044).
    bool OnKeyDown(int field, int virtualKey);
    // A frame (header first) the monitor sent; shown only while its row is checked, when it
    // becomes the device being debugged.
    void OnReceivedFrame(MonitorObject* monitor, const std::vector<std::uint8_t>& frame);

    const GUID& GetDebugDevice() const { return device_; }
    const std::vector<std::string>& GetFilter() const { return filter_; }
    bool IsPaused() const { return paused_; }
    bool IsSaving() const { return saving_; }

  private:
    std::string Text(TextId id) const;
    void SetPauseCaption();
    void SetSaveCaption();
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
    TextLookup text_;

    GUID device_;
    std::vector<std::string> filter_{"*"};
    bool paused_ = false;
    bool saving_ = false;
};
