#include "SimFleet.h"

#include <sstream>

std::string SimFleetSummary::Text() const {
    std::ostringstream out;
    out << "monitors " << monitors << ", online " << online << ", connect failures "
        << connectFailed << ", closed by tool " << closedByPeer << ", dropped " << dropped
        << "\norders " << orders << " (refused " << ordersRefused << "), keep-alives " << keepAlives
        << "\npieces " << piecesPulled << " (" << bytesPulled << " bytes), files verified "
        << filesVerified << ", digest failures " << filesFailed << ", upgrades ok "
        << upgradesSucceeded << ", upgrades failed " << upgradesFailed;
    return out.str();
}

SimFleet::SimFleet(const SimMonitorConfig& base, int count, const std::string& namePrefix,
                   std::uint32_t salt) {
    for (int i = 0; i < count; ++i) {
        monitors_.push_back(
            std::make_unique<SimMonitor>(SimMonitorConfig::ForIndex(base, i, namePrefix, salt)));
    }
}

SimFleet::~SimFleet() {
    StopAll();
}

void SimFleet::StartAll(const std::string& host, int port) {
    for (std::size_t i = 0; i < monitors_.size(); ++i) {
        if (sink_) {
            const int index = static_cast<int>(i);
            EventSink sink = sink_;
            monitors_[i]->SetEventSink(
                [sink, index](const std::string& text) { sink(index, text); });
        }
        monitors_[i]->Start(host, port);
    }
}

void SimFleet::StopAll() {
    for (auto& m : monitors_) {
        m->Stop();
    }
}

bool SimFleet::WaitAll(const SimRecord::Predicate& predicate,
                       std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (const auto& m : monitors_) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!m->Record().WaitFor(predicate,
                                 left.count() > 0 ? left : std::chrono::milliseconds(0))) {
            return false;
        }
    }
    return true;
}

bool SimFleet::AllFinished() const {
    for (const auto& m : monitors_) {
        if (!m->Finished()) {
            return false;
        }
    }
    return true;
}

SimFleetSummary SimFleet::Summary() const {
    SimFleetSummary sum;
    sum.monitors = static_cast<int>(monitors_.size());
    for (const auto& m : monitors_) {
        const SimSnapshot s = m->Record().Snapshot();
        sum.online += s.wentOnline ? 1 : 0;
        sum.connectFailed += s.connectFailed ? 1 : 0;
        sum.closedByPeer += s.peerClosed && !s.connectFailed ? 1 : 0;
        sum.dropped += s.dropped ? 1 : 0;
        sum.orders += s.orders.size();
        for (const SimOrder& o : s.orders) {
            sum.ordersRefused += o.accepted ? 0 : 1;
        }
        sum.keepAlives += s.keepAlivesSent;
        sum.piecesPulled += s.piecesPulled;
        sum.bytesPulled += s.bytesPulled;
        sum.filesVerified += s.filesVerified;
        sum.filesFailed += s.filesFailed;
        sum.upgradesSucceeded += s.upgradesSucceeded > 0 ? 1 : 0;
        sum.upgradesFailed += s.upgradesFailed > 0 ? 1 : 0;
        sum.withoutUpgrade += s.upgradesSucceeded + s.upgradesFailed == 0 ? 1 : 0;
    }
    return sum;
}
