#pragma once
// Information records created with every monitor object. Nothing in this system reads them;
// the per-monitor parameter store is therefore created only when a limit is first written,
// so the 16 pooled objects do not carry 16 unused megabyte-sized tables.
#include <string>
#include <vector>

class IInfo {
  public:
    virtual ~IInfo();
};

class CPatientInfo : public IInfo {
  public:
    static constexpr int kTextCount = 6;
    // Text 0..5; "" outside that range.
    const std::string& Text(int index) const;
    bool SetText(int index, const std::string& text);

  private:
    std::string texts_[kTextCount];
};

struct ParamLimit {
    float low = -10000.0f;
    float high = 10000.0f;
};

class CMonitor : public IInfo {
  public:
    static constexpr int kParamBlockCount = 360;
    static constexpr int kParamEntryCount = 120;

    CPatientInfo& PatientInfo() { return patientInfo_; }
    // The default limits for any entry never written (or out of range).
    ParamLimit GetParamLimit(int block, int entry) const;
    // False for an entry out of range.
    bool SetParamLimit(int block, int entry, const ParamLimit& limit);
    bool HasParamStore() const { return !store_.empty(); }

  private:
    static bool InRange(int block, int entry);

    CPatientInfo patientInfo_;
    std::vector<ParamLimit> store_;  // empty until the first write
};
