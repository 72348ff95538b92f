#pragma once
// Keeps the monitor list in step with the monitor object pool: a row per occupied slot, texts
// refreshed in place, columns 3 and 4 by page, check marks turned back into monitor objects.
// Also holds the list-wide state the pages share: the module page's device filter and the
// network page's four acknowledgement flags, and the orders pages sent that still wait for
// their acknowledgement (so closing the tool can ask first).
//
// Refresh, RenameColumns, OnItemChanged, UncheckAll, SetModuleFilter and SetPage run on the UI
// thread; OnCommandResult and IsChecked run on session threads and touch only the (locked) list
// model and the atomic flags. The upgrade column reads the records through an
// IUpgradeStatusSource, so the table never calls up into the upgrade manager.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/TextId.h"
#include "registry/ModuleMask.h"

struct MonitorAttribute;
class CMonitorObjectMng;
class MonitorListModel;
class MonitorObject;
class IUpgradeStatusSource;

class CMonitorTable {
  public:
    // Numbered user-interface texts; the application hands in the language table's lookup.
    using TextLookup = std::function<std::string(int)>;

    static constexpr int kColumnName = 0;
    static constexpr int kColumnAddress = 1;
    static constexpr int kColumnGuid = 2;
    static constexpr int kColumnBedNo = 3;
    static constexpr int kColumnState = 4;

    static constexpr int kPageAccessPoint = 0;
    static constexpr int kPageNetwork = 1;
    static constexpr int kPageModule = 2;
    static constexpr int kPageUpgrade = 3;
    static constexpr int kPageDebug = 4;
    static constexpr int kPageSystem = 5;
    static constexpr int kPageNone = 6;

    // Order of the acknowledgement flags.
    static constexpr int kAckDeviceName = 0;
    static constexpr int kAckReconnect = 1;
    static constexpr int kAckWifi = 2;
    static constexpr int kAckServer = 3;
    static constexpr std::uint8_t kAckNone = 0xFF;
    static constexpr std::uint8_t kAckDone = 1;
    static constexpr std::uint8_t kAckRefused = 0;

    // Without an upgrade source the upgrade column stays empty until one is set.
    explicit CMonitorTable(CMonitorObjectMng& pool);
    CMonitorTable(CMonitorObjectMng& pool, IUpgradeStatusSource& upgrade);
    CMonitorTable(const CMonitorTable&) = delete;
    CMonitorTable& operator=(const CMonitorTable&) = delete;

    // Texts come from here; without a lookup every text is empty.
    void SetTextLookup(TextLookup lookup);
    // Not owned; must outlive the table's use of it (nullptr removes it).
    void SetUpgradeStatusSource(IUpgradeStatusSource* upgrade);

    void SetList(MonitorListModel* list);
    MonitorListModel* GetList() const { return list_.load(); }
    void SetPage(int index);
    int GetPage() const { return pageIndex_.load(); }
    void RenameColumns();
    void Refresh();

    // Row whose GUID column is the text form of the monitor's key, or false.
    bool FindRow(MonitorObject* monitor, int& row) const;
    void RemoveRow(MonitorObject* monitor);

    // Checked rows (or all rows), top to bottom, whose monitor still holds its slot.
    std::vector<MonitorObject*> GetCheckedMonitors() const;
    std::vector<MonitorObject*> GetAllMonitors() const;
    void UncheckAll();

    // After the user changed row `row` (check mark or selection).
    void OnItemChanged(int row);
    // Copies `count` bytes (at most 26) into the device filter; null changes nothing.
    void SetModuleFilter(const std::uint8_t* filter, int count);
    ModuleMask GetModuleFilter() const;

    // True when the monitor's row is checked (one locked look-up; any thread).
    bool IsChecked(MonitorObject* monitor) const;

    // After a monitor's command result was recorded; marks the network page's acknowledgements.
    // Called on the monitor's session thread.
    void OnCommandResult(MonitorObject* monitor);

    // A page sent an order to `monitor` that its command result with internal code
    // `resultCode` will acknowledge (UI thread). The order waits until that result arrives,
    // success or failure, or until the monitor leaves the pool.
    void NoteOrderSent(MonitorObject* monitor, int resultCode);
    // True while a connected monitor still owes the acknowledgement of an order sent to it.
    bool HasPendingOrders() const;

    std::uint8_t GetConfigAck(int index) const;
    void SetConfigAck(int index, std::uint8_t value);
    void ResetConfigAck();

  private:
    std::string Text(TextId id) const;
    bool PassesFilter(const ModuleMask& moduleConfig) const;
    std::string ConfigStateText() const;
    std::string ModuleText(const ModuleMask& loaded) const;
    bool ModuleSetRefused(MonitorObject* monitor) const;
    std::string UpgradeText(MonitorObject* monitor) const;
    std::string PageText(MonitorListModel& list, int row, MonitorObject* monitor,
                         const MonitorAttribute& attribute) const;
    std::vector<MonitorObject*> MonitorsOfRows(bool checkedOnly) const;
    void RemoveStaleRows(MonitorListModel& list);

    CMonitorObjectMng& pool_;
    std::atomic<IUpgradeStatusSource*> upgrade_{nullptr};
    TextLookup text_;
    std::atomic<MonitorListModel*> list_{nullptr};
    // Held shared while a thread other than the UI thread reads the list, so SetList never
    // lets go of a list under it.
    mutable std::shared_mutex listInUse_;
    ModuleMask moduleFilter_{};
    std::array<std::atomic<std::uint8_t>, 4> configAck_;
    std::atomic<int> pageIndex_{kPageNone};
    std::string pendingText_;  // TextId::kNotConfirmedYet of the current refresh (UI thread)
    // (GUID text of the monitor, awaited result code); written by the UI thread (sent) and the
    // session threads (answered).
    mutable std::mutex pendingOrdersMutex_;
    mutable std::set<std::pair<std::string, int>> pendingOrders_;
    // GUID texts of the monitors that refused the last module set sent to them.
    std::set<std::string> refusedModuleSets_;
};

// The process-wide table over the process-wide pool, created on first use and never destroyed.
// The process-wide upgrade manager sets itself as its upgrade source when it is created.
CMonitorTable& GetMonitorTable();
