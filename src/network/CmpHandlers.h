#pragma once
// The handlers of the dispatch. Each is given a whole valid frame (header first, its length
// taken from the header) and the monitor that sent it, and ignores a frame too short for the
// fields it reads. Records are changed by copy-modify-write through the monitor's status store.
#include <cstdint>

class MonitorObject;

// Command 0x0011: the patient record (only once the session has stored a bed number).
void HandleCmpPatientInfo(const std::uint8_t* pPacketHead, MonitorObject* monitor);
// Command 0x0012: the loaded modules, indices 1 to 25.
void HandleCmpLoadorUnloadModule(const std::uint8_t* pPacketHead, MonitorObject* monitor);
// Command 0x0200: one attribute item. 0 when the record was stored, -1 otherwise.
int HandleCmpAttribute(const std::uint8_t* pPacketHead, MonitorObject* monitor);
// Command 0x0120: the monitor's lastResult. 0 when stored, -1 when the frame was ignored.
int HandleCmpCommandResult(const std::uint8_t* pPacketHead, MonitorObject* monitor,
                           std::int32_t timeLow, std::int32_t timeHigh);
// Command 0x0113 from a monitor: stores the first 5 body bytes as its latest upgrade request
// and logs it. 0, or -1 (nothing stored) for a null monitor or a frame too short for the request.
int HandleCmpUpgradeReq(const std::uint8_t* frame, int length, MonitorObject* monitor);
