#pragma once
// One action the tool took on a monitor (or on the PC's access point), as the service record
// writes it: who and where are added by the record, the rest is filled by the page or the
// upgrade manager that acted. Texts are UTF-8.
#include <string>

// The actions, as the record's "Action" column names them.
inline constexpr char kActionDeviceName[] = "Device name sent";
inline constexpr char kActionWifi[] = "Wi-Fi settings sent";
inline constexpr char kActionServer[] = "Server address sent";
inline constexpr char kActionReconnect[] = "Reconnect time sent";
inline constexpr char kActionModuleSet[] = "Module set sent";
inline constexpr char kActionUpgradeStart[] = "Upgrade started";
inline constexpr char kActionUpgradeEnd[] = "Upgrade ended";
inline constexpr char kActionVersion[] = "Software version reported";
inline constexpr char kActionApStart[] = "Access point started";
inline constexpr char kActionApStop[] = "Access point stopped";

// The results, as the "Result" column names them (a failure adds ": reason").
inline constexpr char kResultAcknowledged[] = "acknowledged";
inline constexpr char kResultRefused[] = "refused";
inline constexpr char kResultNoAnswer[] = "no answer within";  // followed by the wait
inline constexpr char kResultStarted[] = "started";
inline constexpr char kResultFinished[] = "finished";
inline constexpr char kResultFailed[] = "failed";

struct ServiceEntry {
    std::string action;
    std::string guid;  // the registry form, {XXXXXXXX-...}
    std::string deviceName;
    std::string bed;
    std::string ip;
    std::string version;
    std::string changes;  // "field: old → new; ..." (never a Wi-Fi key)
    std::string result;
    double seconds = -1;  // the action's duration; below 0 when it has none
};
