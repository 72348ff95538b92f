#include "pages/CDebugConfigDlg.h"

#include <ctime>
#include <utility>

#include "foundation/Log.h"
#include "network/CmpChecksum.h"
#include "network/CmpPacketHead.h"
#include "network/SendCmpData.h"
#include "pages/DebugFrameText.h"
#include "pages/DebugKeys.h"
#include "pages/DebugPageLayout.h"
#include "pages/LanguageTexts.h"
#include "pages/PageCaptions.h"
#include "platform/CodePage.h"
#include "platform/Socket.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorObject.h"

namespace {

using namespace DebugPageId;
namespace dft = DebugFrameText;

std::string NowText() {
    char buffer[32] = {};
    if (FormatLocalTime(static_cast<std::int64_t>(std::time(nullptr)), buffer, sizeof buffer) ==
        nullptr) {
        return std::string();
    }
    return buffer;
}

}  // namespace

CDebugConfigDlg::CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display)
    : CDebugConfigDlg(form, dialogs, display, GetMonitorTable(),
                      [](int index) { return LanguageText(index); }) {}

CDebugConfigDlg::CDebugConfigDlg(IForm& form, IDialogs& dialogs, IDebugDisplay& display,
                                 CMonitorTable& table, TextLookup text)
    : form_(form),
      dialogs_(dialogs),
      display_(display),
      table_(table),
      text_(std::move(text)),
      device_(EmptyGuid()) {}

std::string CDebugConfigDlg::Text(TextId id) const {
    return text_ ? text_(TextNumber(id)) : std::string();
}

void CDebugConfigDlg::RefreshCaptions() {
    ShowCaptionTexts(form_, kDebugPageLayout, text_);
    SetPauseCaption();
    SetSaveCaption();
}

void CDebugConfigDlg::SetPauseCaption() {
    form_.SetText(kPause, Text(paused_ ? TextId::kResume : TextId::kPause));
}

void CDebugConfigDlg::SetSaveCaption() {
    form_.SetText(kSaveFile, Text(saving_ ? TextId::kStopSaving : TextId::kSaveFile));
}

void CDebugConfigDlg::AppendDisplay(const std::string& text) {
    if (text.empty()) {
        return;
    }
    if (!paused_) {
        display_.AppendText(text);
    }
    if (display_.GetLineCount() == kDisplayLineLimit) {
        for (int i = 0; i < kDisplayLinesDropped; ++i) {
            display_.RemoveFirstLine();
        }
    }
}

void CDebugConfigDlg::Emit(const std::string& displayText, const std::string& fileText) {
    AppendDisplay(displayText);
    if (saving_) {
        // Device names and typed text may hold '%': never a format.
        DebugInfoLog("%s", fileText.c_str());
    }
}

void CDebugConfigDlg::EmitLine(const std::string& ip, int direction,
                               const std::vector<std::uint8_t>& frame) {
    const std::string time = NowText();
    const auto dir = static_cast<dft::Direction>(direction);
    const std::string shown =
        dft::TrafficLine(time, ip, dir, frame.data(), frame.size(), dft::kDisplayBodyBytes);
    // Built only when it goes anywhere: a frame of 1024 body bytes makes a long line.
    const std::string whole =
        saving_ ? dft::TrafficLine(time, ip, dir, frame.data(), frame.size(), dft::kLineWorkArea)
                : std::string();
    Emit(shown, whole);
}

void CDebugConfigDlg::EmitDeviceHeader(MonitorObject& monitor, const std::string& ip) {
    MonitorAttribute attribute;
    MonitorPatientInfo patient;
    if (MonitorSystemStatus* status = monitor.GetStatus()) {
        status->GetMonitorAttribute(&attribute);
        status->GetMonitorPatientInfo(&patient);
    }
    // In the language shown when the frame goes out.
    dft::ColumnHeads heads;
    heads.bedNo = Text(TextId::kHeadBedNo);
    heads.name = Text(TextId::kHeadName);
    heads.version = Text(TextId::kHeadSoftwareVersion);
    heads.time = Text(TextId::kHeadTime);
    heads.direction = Text(TextId::kHeadDirection);
    heads.length = Text(TextId::kHeadLength);
    heads.command = Text(TextId::kHeadCommand);
    heads.serial = Text(TextId::kHeadSerial);
    heads.checksum = Text(TextId::kHeadChecksum);
    heads.body = Text(TextId::kHeadBody);
    const std::string columns = dft::HeaderColumnsText(heads);
    Emit(columns, columns);
    const std::string device =
        dft::DeviceHeaderText(patient.bedNo, ip, Utf16ToAnsi(FieldText(attribute.deviceName)),
                              Utf16ToAnsi(FieldText(attribute.softwareVersion)));
    Emit(device, device);
    const std::string traffic = dft::TrafficColumnsText(heads);
    Emit(traffic, traffic);
}

void CDebugConfigDlg::OnSend() {
    const std::string text = form_.GetText(kFrameText);
    if (text.empty()) {
        dialogs_.MessageBox(kDebugNoPackage);
        return;
    }
    // Only the checked monitor: never whichever monitor spoke last. One that has gone since
    // it was checked is left out, so there is nothing to send to and no address to show.
    const std::vector<MonitorObject*> checked = table_.GetCheckedMonitors();
    if (checked.empty()) {
        dialogs_.MessageBox(kDebugNoDevice);
        return;
    }
    MonitorObject* monitor = checked.front();
    device_ = monitor->GetGuid();
    const SocketAddr peer = monitor->GetPeer();
    const std::string ip = DottedAddress(peer.addr);
    EmitDeviceHeader(*monitor, ip);

    std::vector<std::uint8_t> frame;
    switch (dft::ParseTypedFrame(text, frame)) {
        // Too short even for a header is as wrong as a wrong length: both are told.
        case dft::ParseResult::TooShortForHeader:
        case dft::ParseResult::BadPackage:
            dialogs_.MessageBox(kDebugBadPackage);
            return;
        case dft::ParseResult::Ok:
            break;
    }
    EmitLine(ip, static_cast<int>(dft::Direction::Input), frame);

    const std::uint16_t len = ReadLe16(frame.data());
    WriteLe16(frame.data() + 6, 0);
    WriteLe16(frame.data() + 6, static_cast<std::uint16_t>(
                                    CmpChecksum(frame.data(), static_cast<std::int32_t>(len))));
    // The frame keeps the typed serial; the monitor's own count moves on all the same.
    monitor->NextSerialPreIncrement();
    // A failed send is not reported: the Send line records what was meant to go out.
    (void)SendFrameToMonitor(*monitor, frame.data(), len);
    EmitLine(ip, static_cast<int>(dft::Direction::Send), frame);
}

void CDebugConfigDlg::OnConfirmFilter() {
    const std::string text = form_.GetText(kFilterText);
    filter_ = text.empty() ? std::vector<std::string>{"*"} : dft::SplitText(text, ' ');
}

void CDebugConfigDlg::OnClear() {
    display_.Clear();
}

void CDebugConfigDlg::OnPause() {
    paused_ = !paused_;
    SetPauseCaption();
}

void CDebugConfigDlg::OnSaveFile() {
    saving_ = !saving_;
    SetSaveCaption();
}

bool CDebugConfigDlg::OnKeyDown(int field, int virtualKey) {
    if (virtualKey == kVirtualKeyReturn) {
        // Enter presses the field's own button; no line end ever reaches the typed text.
        if (field == kFrameText) {
            OnSend();
        } else if (field == kFilterText) {
            OnConfirmFilter();
        }
        return false;
    }
    if (IsDebugKeyAccepted(virtualKey)) {
        return true;
    }
    dialogs_.MessageBox(kDebugBadKey);
    return false;
}

void CDebugConfigDlg::OnReceivedFrame(MonitorObject* monitor,
                                      const std::vector<std::uint8_t>& frame) {
    // A frame queued before the check moved to another row belongs to no one shown here.
    if (monitor == nullptr || !table_.IsChecked(monitor)) {
        return;
    }
    device_ = monitor->GetGuid();
    if (frame.size() < kCmpHeadSize) {
        return;
    }
    if (!dft::MatchesFilter(filter_, ReadLe16(frame.data() + 2))) {
        return;
    }
    EmitLine(DottedAddress(monitor->GetPeer().addr), static_cast<int>(dft::Direction::Recv), frame);
}
