#include "registry/CMonitorTable.h"

#include <charconv>
#include <cstring>
#include <new>

#include "foundation/GuidText.h"
#include "foundation/PublicFunctions.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CommandResult.h"
#include "registry/IUpgradeStatusSource.h"
#include "registry/ModuleNameTable.h"
#include "registry/MonitorListModel.h"
#include "registry/MonitorObject.h"

namespace {

// The registry form of the GUID (as GuidToString writes it), built straight into narrow text:
// the refresh needs it for every monitor twice per tick.
std::string GuidText(const GUID& guid) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    char text[kGuidTextLength];
    std::size_t at = 0;
    auto put = [&](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            text[at++] = kHex[(value >> shift) & 0xF];
        }
    };
    text[at++] = '{';
    put(guid.Data1, 8);
    text[at++] = '-';
    put(guid.Data2, 4);
    text[at++] = '-';
    put(guid.Data3, 4);
    text[at++] = '-';
    put((std::uint64_t{guid.Data4[0]} << 8) | guid.Data4[1], 4);
    text[at++] = '-';
    for (int i = 2; i < 8; ++i) {
        put(guid.Data4[i], 2);
    }
    text[at++] = '}';
    return std::string(text, at);
}

// Dotted form of an IPv4 address held in network byte order.
std::string DottedText(const Ipv4Endpoint& addr) {
    const auto* b = reinterpret_cast<const std::uint8_t*>(&addr.ip);
    std::string text;
    text.reserve(15);
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            text += '.';
        }
        const unsigned v = b[i];
        if (v >= 100) {
            text += static_cast<char>('0' + v / 100);
        }
        if (v >= 10) {
            text += static_cast<char>('0' + v / 10 % 10);
        }
        text += static_cast<char>('0' + v % 10);
    }
    return text;
}

std::string DecimalText(int value) {
    char text[16];
    char* end = std::to_chars(text, text + sizeof(text), value).ptr;
    return std::string(text, end);
}

GUID GuidOfText(const std::string& text) {
    WString wide(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<WChar>(static_cast<unsigned char>(text[i]));
    }
    return StringToGuid(wide);
}

template <std::size_t N>
std::string Utf8Field(const WChar (&field)[N]) {
    return CPublicFunctions::UnicodeToUtf8(FieldText(field).c_str());
}

int AckIndexOfResult(int code) {
    switch (code) {
        case kResultDeviceName:
            return CMonitorTable::kAckDeviceName;
        case kResultReconnect:
            return CMonitorTable::kAckReconnect;
        case kResultWifi:
            return CMonitorTable::kAckWifi;
        case kResultServer:
            return CMonitorTable::kAckServer;
        default:
            return -1;
    }
}

}  // namespace

CMonitorTable::CMonitorTable(CMonitorObjectMng& pool) : pool_(pool) {
    ResetConfigAck();
}

CMonitorTable::CMonitorTable(CMonitorObjectMng& pool, IUpgradeStatusSource& upgrade)
    : CMonitorTable(pool) {
    upgrade_.store(&upgrade);
}

void CMonitorTable::SetUpgradeStatusSource(IUpgradeStatusSource* upgrade) {
    upgrade_.store(upgrade);
}

void CMonitorTable::SetTextLookup(TextLookup lookup) {
    text_ = std::move(lookup);
}

std::string CMonitorTable::Text(TextId id) const {
    return text_ ? text_(TextNumber(id)) : std::string();
}

void CMonitorTable::SetList(MonitorListModel* list) {
    // Waits for session and invitation threads still reading the list it replaces.
    std::unique_lock<std::shared_mutex> hold(listInUse_);
    list_.store(list);
}

void CMonitorTable::SetPage(int index) {
    pageIndex_.store(index);
    RenameColumns();
}

void CMonitorTable::RenameColumns() {
    MonitorListModel* list = list_.load();
    if (list == nullptr) {
        return;
    }
    list->SetHeader(kColumnName, Text(TextId::kDeviceName));
    list->SetHeader(kColumnAddress, Text(TextId::kDeviceIp));
    list->SetHeader(kColumnGuid, Text(TextId::kGuid));
    switch (pageIndex_.load()) {
        case kPageAccessPoint:
        case kPageSystem:
            list->SetVisible(false);
            break;
        case kPageNetwork:
        case kPageDebug:
            list->SetHeader(kColumnBedNo, Text(TextId::kBedNo));
            list->SetHeader(kColumnState, Text(TextId::kConfigState));
            list->SetVisible(true);
            break;
        case kPageModule:
            list->SetHeader(kColumnBedNo, Text(TextId::kBedNo));
            list->SetHeader(kColumnState, Text(TextId::kModules));
            list->SetVisible(true);
            break;
        case kPageUpgrade:
            list->SetHeader(kColumnBedNo, Text(TextId::kVersion));
            list->SetHeader(kColumnState, Text(TextId::kUpgradeState));
            list->SetVisible(true);
            break;
        default:
            break;
    }
    const int rows = list->RowCount();
    for (int row = 0; row < rows; ++row) {
        list->SetText(row, kColumnState, std::string());
    }
}

bool CMonitorTable::PassesFilter(const ModuleMask& moduleConfig) const {
    for (int i = 0; i < kModuleIndexCount; ++i) {
        if (moduleFilter_[static_cast<std::size_t>(i)] == 1 &&
            moduleConfig[static_cast<std::size_t>(i)] == 0) {
            return false;
        }
    }
    return true;
}

std::string CMonitorTable::ConfigStateText() const {
    std::uint8_t ack[4];
    int unset = 0;
    bool refused = false;
    for (int i = 0; i < 4; ++i) {
        ack[i] = configAck_[static_cast<std::size_t>(i)].load();
        unset += ack[i] == kAckNone ? 1 : 0;
        refused = refused || ack[i] == kAckRefused;
    }
    if (unset == 4) {
        return Text(TextId::kNotConfirmedYet);
    }
    if (unset > 0) {
        return std::string();
    }
    if (!refused) {
        return Text(TextId::kConfigured);
    }
    // The outcome first, so a narrow column still shows it; then each refused order by name,
    // in the order the page lists them.
    std::string text = Text(TextId::kNotConfirmed) + " ";
    if (ack[kAckDeviceName] == kAckRefused) {
        text += Text(TextId::kUnconfirmedDeviceName);
    }
    if (ack[kAckWifi] == kAckRefused) {
        text += Text(TextId::kUnconfirmedWifi);
    }
    if (ack[kAckReconnect] == kAckRefused) {
        text += Text(TextId::kUnconfirmedReconnectTime);
    }
    if (ack[kAckServer] == kAckRefused) {
        text += Text(TextId::kUnconfirmedServerIp);
    }
    return text;
}

std::string CMonitorTable::ModuleText(const ModuleMask& loaded) const {
    return ModuleSetText(loaded);
}

std::string CMonitorTable::UpgradeText(MonitorObject* monitor) const {
    IUpgradeStatusSource* upgrade = upgrade_.load();
    if (upgrade == nullptr) {
        return std::string();
    }
    const UpgradeStatus status = upgrade->GetUpgradeStatus(monitor);
    switch (status.state) {
        case kUpgradeTransferring: {
            return DecimalText(status.progress) + "%";
        }
        case kUpgradeFinished:
            return Text(TextId::kUpgradeFinished);
        case kUpgradeWaiting:
            return Text(TextId::kUpgradeWaiting);
        case kUpgradeFailed:
            return Text(TextId::kUpgradeFailed);
        default:
            return std::string();
    }
}

std::string CMonitorTable::PageText(MonitorListModel& list, int row, MonitorObject* monitor,
                                    const MonitorAttribute& attribute) const {
    switch (pageIndex_.load()) {
        case kPageNetwork: {
            if (list.GetCheck(row)) {
                return ConfigStateText();
            }
            std::string current = list.GetText(row, kColumnState);
            return !current.empty() && current == pendingText_ ? std::string() : current;
        }
        case kPageModule: {
            // A refused module change reads first, before the modules the monitor kept.
            const std::string modules = ModuleText(attribute.loadedModules);
            if (!ModuleSetRefused(monitor)) {
                return modules;
            }
            return modules.empty() ? Text(TextId::kNotConfirmed)
                                   : Text(TextId::kNotConfirmed) + " " + modules;
        }
        case kPageUpgrade:
            return UpgradeText(monitor);
        default:
            return std::string();
    }
}

void CMonitorTable::Refresh() {
    MonitorListModel* list = list_.load();
    if (list == nullptr) {
        return;
    }
    const int page = pageIndex_.load();
    if (page == kPageNetwork) {
        pendingText_ = Text(TextId::kNotConfirmedYet);  // looked up once per tick, not per row
    }
    const MonitorIndex snapshot = pool_.SnapshotIndex();
    MonitorAttribute attribute;
    MonitorPatientInfo patient;
    for (const auto& [key, slot] : snapshot) {
        // The slot may have been released (or taken by another key) since the snapshot.
        if (slot == nullptr || pool_.FindObj(key) != slot || slot->GetStatus() == nullptr) {
            continue;
        }
        MonitorSystemStatus* status = slot->GetStatus();
        status->GetMonitorAttribute(&attribute);
        const std::string guidText = GuidText(key);
        int row = list->FindRow(kColumnGuid, guidText);
        if (page == kPageModule && !PassesFilter(attribute.moduleConfig)) {
            if (row >= 0) {
                list->DeleteRow(row);
            }
            continue;
        }

        std::string name = Utf8Field(attribute.deviceName);
        std::string address = DottedText(slot->GetPeer().addr);
        std::string third;
        if (page == kPageUpgrade) {
            third = Utf8Field(attribute.softwareVersion);
        } else {
            status->GetMonitorPatientInfo(&patient);
            third = DecimalText(static_cast<int>(patient.bedNo));  // shown signed
        }

        if (row >= 0) {
            list->SetText(row, kColumnName, name);
            list->SetText(row, kColumnAddress, address);
            list->SetText(row, kColumnBedNo, third);
        } else {
            row = list->AppendRow(name);
            list->SetText(row, kColumnAddress, address);
            list->SetText(row, kColumnGuid, guidText);
            list->SetText(row, kColumnBedNo, third);
        }
        list->SetText(row, kColumnState, PageText(*list, row, slot, attribute));
    }
    RemoveStaleRows(*list);
}

void CMonitorTable::RemoveStaleRows(MonitorListModel& list) {
    const MonitorIndex fresh = pool_.SnapshotIndex();
    std::vector<std::string> live;
    live.reserve(fresh.size());
    for (const auto& [key, slot] : fresh) {
        if (slot != nullptr && pool_.GetUseCount(slot) > 0) {
            live.push_back(GuidText(key));
        }
    }
    for (int row = list.RowCount() - 1; row >= 0; --row) {
        const std::string text = list.GetText(row, kColumnGuid);
        bool found = false;
        for (const std::string& t : live) {
            if (t == text) {
                found = true;
                break;
            }
        }
        if (!found) {
            list.DeleteRow(row);
            std::lock_guard<std::mutex> guard(pendingOrdersMutex_);
            refusedModuleSets_.erase(text);  // the monitor left: a new connection starts afresh
        }
    }
}

bool CMonitorTable::FindRow(MonitorObject* monitor, int& row) const {
    row = -1;
    MonitorListModel* list = list_.load();
    if (list == nullptr || monitor == nullptr) {
        return false;
    }
    row = list->FindRow(kColumnGuid, GuidText(monitor->GetGuid()));
    return row >= 0;
}

void CMonitorTable::RemoveRow(MonitorObject* monitor) {
    int row = -1;
    if (FindRow(monitor, row)) {
        list_.load()->DeleteRow(row);
    }
}

std::vector<MonitorObject*> CMonitorTable::MonitorsOfRows(bool checkedOnly) const {
    std::vector<MonitorObject*> monitors;
    std::shared_lock<std::shared_mutex> hold(listInUse_);
    MonitorListModel* list = list_.load();
    if (list == nullptr) {
        return monitors;
    }
    for (const MonitorListModel::Row& row : list->Rows()) {
        if (checkedOnly && !row.checked) {
            continue;
        }
        MonitorObject* monitor = pool_.FindObj(GuidOfText(row.texts[kColumnGuid]));
        if (monitor != nullptr) {
            monitors.push_back(monitor);
        }
    }
    return monitors;
}

std::vector<MonitorObject*> CMonitorTable::GetCheckedMonitors() const {
    return MonitorsOfRows(true);
}

std::vector<MonitorObject*> CMonitorTable::GetAllMonitors() const {
    return MonitorsOfRows(false);
}

void CMonitorTable::UncheckAll() {
    MonitorListModel* list = list_.load();
    if (list == nullptr) {
        return;
    }
    const int rows = list->RowCount();
    for (int row = 0; row < rows; ++row) {
        list->SetCheck(row, false);
    }
}

void CMonitorTable::OnItemChanged(int row) {
    MonitorListModel* list = list_.load();
    const int page = pageIndex_.load();
    if (list != nullptr && list->GetCheck(row) && (page == kPageNetwork || page == kPageDebug)) {
        // One monitor at a time on the network and debug pages.
        const int rows = list->RowCount();
        for (int other = 0; other < rows; ++other) {
            if (other != row) {
                list->SetCheck(other, false);
            }
        }
    }
    ResetConfigAck();
}

void CMonitorTable::SetModuleFilter(const std::uint8_t* filter, int count) {
    if (filter == nullptr || count <= 0) {
        return;
    }
    const int n = count < kModuleIndexCount ? count : kModuleIndexCount;
    std::memcpy(moduleFilter_.module, filter, static_cast<std::size_t>(n));
}

ModuleMask CMonitorTable::GetModuleFilter() const {
    return moduleFilter_;
}

bool CMonitorTable::IsChecked(MonitorObject* monitor) const {
    std::shared_lock<std::shared_mutex> hold(listInUse_);
    MonitorListModel* list = list_.load();
    if (list == nullptr || monitor == nullptr) {
        return false;
    }
    return list->IsRowChecked(kColumnGuid, GuidText(monitor->GetGuid()));
}

void CMonitorTable::OnCommandResult(MonitorObject* monitor) {
    if (monitor == nullptr) {
        return;
    }
    std::shared_lock<std::shared_mutex> hold(listInUse_);
    MonitorListModel* list = list_.load();
    if (list == nullptr) {
        return;
    }
    const CommandResult last = monitor->GetLastResult();
    const std::string guidText = GuidText(monitor->GetGuid());
    {
        // Answered, whatever the answer: the order no longer waits.
        std::lock_guard<std::mutex> guard(pendingOrdersMutex_);
        pendingOrders_.erase({guidText, last.code});
        if (last.code == kResultModuleSet) {
            if (last.result == 0) {
                refusedModuleSets_.erase(guidText);
            } else {
                refusedModuleSets_.insert(guidText);
            }
        }
    }
    const int ack = AckIndexOfResult(last.code);
    if (ack < 0) {
        return;
    }
    // One locked copy, so the row found and its check mark belong together even while the UI
    // thread adds or removes rows.
    for (const MonitorListModel::Row& row : list->Rows()) {
        if (row.texts[kColumnGuid] == guidText) {
            if (row.checked) {
                // A refused order shows as refused rather than as done.
                SetConfigAck(ack, last.result == 0 ? kAckDone : kAckRefused);
            }
            return;
        }
    }
}

void CMonitorTable::NoteOrderSent(MonitorObject* monitor, int resultCode) {
    if (monitor == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(pendingOrdersMutex_);
    const std::string guidText = GuidText(monitor->GetGuid());
    pendingOrders_.insert({guidText, resultCode});
    if (resultCode == kResultModuleSet) {
        refusedModuleSets_.erase(guidText);  // a new order: the last refusal is history
    }
}

bool CMonitorTable::ModuleSetRefused(MonitorObject* monitor) const {
    if (monitor == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> guard(pendingOrdersMutex_);
    return refusedModuleSets_.count(GuidText(monitor->GetGuid())) > 0;
}

bool CMonitorTable::HasPendingOrders() const {
    std::lock_guard<std::mutex> guard(pendingOrdersMutex_);
    for (auto it = pendingOrders_.begin(); it != pendingOrders_.end();) {
        // A monitor that left will never answer; its orders wait no more (a new connection
        // under the same GUID starts with fresh records).
        MonitorObject* monitor = pool_.FindObj(GuidOfText(it->first));
        if (monitor == nullptr || pool_.GetUseCount(monitor) <= 0) {
            it = pendingOrders_.erase(it);
        } else {
            return true;
        }
    }
    return false;
}

std::uint8_t CMonitorTable::GetConfigAck(int index) const {
    if (index < 0 || index >= 4) {
        return kAckNone;
    }
    return configAck_[static_cast<std::size_t>(index)].load();
}

void CMonitorTable::SetConfigAck(int index, std::uint8_t value) {
    if (index < 0 || index >= 4) {
        return;
    }
    configAck_[static_cast<std::size_t>(index)].store(value);
}

void CMonitorTable::ResetConfigAck() {
    for (auto& flag : configAck_) {
        flag.store(kAckNone);
    }
}

CMonitorTable& GetMonitorTable() {
    // Never destroyed, like the pool it reads.
    alignas(CMonitorTable) static unsigned char storage[sizeof(CMonitorTable)];
    static CMonitorTable* const table = new (storage) CMonitorTable(GetMonitorObjectMng());
    return *table;
}
