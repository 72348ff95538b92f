#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "TextAndFolders.h"
#include "foundation/WideText.h"
#include "platform/ThreadId.h"
#include "registry/CMonitorObjectMng.h"

namespace {

GUID Key(std::uint8_t n) {
    GUID g{};
    g.Data4[7] = n;
    g.Data4[0] = 0xab;
    return g;
}

std::string Hex(const void* p) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%lx",
                  static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(p)));
    return text;
}

// The messages of Trace.log, each without its time stamp and tab, with its line break.
std::vector<std::string> TraceMessages(const ScopedLogDir& logs) {
    std::vector<std::string> out;
    for (const std::string& line : SplitLines(ReadLogText(logs.file("Trace.log")))) {
        out.push_back((line.size() >= 20 ? line.substr(20) : line) + "\n");
    }
    return out;
}

TEST(CMonitorObjectMngTest, SeventeenthMonitorGetsNone) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    std::set<MonitorObject*> taken;
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        MonitorObject* obj = pool.GetAvailableObj(Key(static_cast<std::uint8_t>(i)));
        ASSERT_NE(obj, nullptr) << i;
        EXPECT_EQ(pool.SlotIndex(obj), i);
        EXPECT_EQ(obj->GetGuid(), Key(static_cast<std::uint8_t>(i)));
        taken.insert(obj);
    }
    EXPECT_EQ(taken.size(), 16u);
    std::size_t linesBefore = TraceMessages(logs).size();
    EXPECT_EQ(pool.GetAvailableObj(Key(99)), nullptr);
    std::vector<std::string> lines = TraceMessages(logs);
    ASSERT_EQ(lines.size(), linesBefore + 1);  // only the first line
    EXPECT_EQ(lines.back().rfind("GetAvailableObjguid:", 0), 0u);
    EXPECT_EQ(pool.SnapshotIndex().size(), 16u);
}

TEST(CMonitorObjectMngTest, SameKeyRefusedUntilReleasedAndLowestFreeSlotIsReused) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    std::vector<MonitorObject*> objs;
    for (int i = 0; i < 8; ++i) {
        objs.push_back(pool.GetAvailableObj(Key(static_cast<std::uint8_t>(i))));
    }
    EXPECT_EQ(pool.GetAvailableObj(Key(3)), nullptr);
    EXPECT_EQ(pool.FindObj(Key(3)), objs[3]);

    pool.ReleaseObj(Key(5), objs[5]);
    pool.ReleaseObj(Key(2), objs[2]);
    EXPECT_EQ(pool.FindObj(Key(5)), nullptr);
    EXPECT_EQ(pool.GetUseCount(objs[5]), 0);
    EXPECT_EQ(pool.GetAvailableObj(Key(5)), objs[2]);  // a returning monitor: lowest free slot
    EXPECT_EQ(pool.GetAvailableObj(Key(40)), objs[5]);
    EXPECT_EQ(pool.GetAvailableObj(Key(41)), pool.Slot(8));
    EXPECT_EQ(pool.FindObj(Key(5)), objs[2]);
    EXPECT_EQ(pool.Slot(16), nullptr);
    EXPECT_EQ(pool.Slot(-1), nullptr);
}

TEST(CMonitorObjectMngTest, UseCountQuery) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    std::vector<MonitorObject*> objs;
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        objs.push_back(pool.GetAvailableObj(Key(static_cast<std::uint8_t>(i))));
    }
    pool.ReleaseObj(Key(7), objs[7]);
    MonitorObject stranger;
    struct Case {
        const MonitorObject* obj;
        int count;
        bool logged;
    };
    for (Case c : {Case{objs[0], 1, true}, Case{objs[15], 1, true}, Case{objs[7], 0, true},
                   Case{nullptr, -1, false}, Case{&stranger, -1, false}}) {
        std::size_t before = TraceMessages(logs).size();
        EXPECT_EQ(pool.GetMonitorObjectCount(c.obj), c.count);
        std::vector<std::string> lines = TraceMessages(logs);
        ASSERT_EQ(lines.size(), before + (c.logged ? 1 : 0));
        if (c.logged) {
            EXPECT_EQ(lines.back(),
                      "GetMonitorObjectCount:ThreadId == " + std::to_string(CurrentThreadId()) +
                          " ,pMonitorObj == " + Hex(c.obj) + ", count:" + std::to_string(c.count) +
                          "\n");
        }
    }
}

TEST(CMonitorObjectMngTest, LogLinesByteForByte) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    const std::string tid = std::to_string(CurrentThreadId());
    GUID key{};
    key.Data1 = 0x80000001u;  // printed signed
    const std::uint8_t d4[8] = {0xab, 0xcd, 0x01, 0xef, 0x00, 0x10, 0xfe, 0x7f};
    for (int i = 0; i < 8; ++i) {
        key.Data4[i] = d4[i];
    }
    const std::string keyText = "guid = -2147483647,GUID=ab-CD-01-EF-00-10-FE-7F \n";
    const std::string emptyText = "guid = -1000,GUID=00-00-00-00-00-00-00-00 \n";

    MonitorObject* a = pool.GetAvailableObj(key);
    MonitorObject* refused = pool.GetAvailableObj(key);
    EXPECT_EQ(refused, nullptr);
    MonitorObject* b = pool.GetAvailableObj(EmptyGuid());
    pool.ReleaseObj(key, a);
    pool.ReleaseObj(key, a);  // second time: fallback, count 0
    pool.ReleaseObj(EmptyGuid(), b);

    std::vector<std::string> expected = {
        "GetAvailableObjguid:ThreadId == " + tid + "," + keyText,
        "GetAvailableObj new : ThreadId == " + tid + " ,pMonitorObj == " + Hex(a) +
            ", cout == 1, i=0\n",
        "GetAvailableObjguid:ThreadId == " + tid + "," + keyText,
        "GetAvailableObj newerror:ThreadId == " + tid + " ,pMonitorObj == 0x0, count:1\n",
        "GetAvailableObjguid:ThreadId == " + tid + "," + emptyText,
        "GetAvailableObj new : ThreadId == " + tid + " ,pMonitorObj == " + Hex(b) +
            ", cout == 1, i=1\n",
        "CMonitorObjectMng::GetAvailableObj(81) Get Invalid GUID!\n",
        "ReleaseObjguid:ThreadId == " + tid + "," + keyText,
        "ReleaseObj guid:ThreadId == " + tid + " ,pobj== " + Hex(a) + ",m_OneObj== " + Hex(a) +
            "\n",
        "ReleaseObj1 : ThreadId == " + tid + " ,pMonitorObj == " + Hex(a) + ", cout == 0\n",
        "ReleaseObjguid:ThreadId == " + tid + "," + keyText,
        "CMonitorObjectMng::ReleaseObj : ThreadId == " + tid + " ,pMonitorObj == " + Hex(a) +
            ", cout == 0\n",
        "ReleaseObjguid:ThreadId == " + tid + "," + emptyText,
        "CMonitorObjectMng::ReleaseObj(269) Get Invalid GUID!\n",
        "ReleaseObj guid:ThreadId == " + tid + " ,pobj== " + Hex(b) + ",m_OneObj== " + Hex(b) +
            "\n",
        "ReleaseObj1 : ThreadId == " + tid + " ,pMonitorObj == " + Hex(b) + ", cout == 0\n",
    };
    EXPECT_EQ(TraceMessages(logs), expected);
    EXPECT_TRUE(pool.SnapshotIndex().empty());
    // The whole 64-bit address is printed.
    EXPECT_GT(Hex(a).size(), 2u);
}

TEST(CMonitorObjectMngTest, FallbackReleaseNeverFreesAnotherMonitorsSlot) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    MonitorObject* a = pool.GetAvailableObj(Key(1));
    pool.ReleaseObj(Key(1), a);
    MonitorObject* b = pool.GetAvailableObj(Key(2));
    ASSERT_EQ(a, b);
    // A late second release of the first monitor finds its key gone and the slot taken.
    pool.ReleaseObj(Key(1), a);
    EXPECT_EQ(pool.GetUseCount(b), 1);
    EXPECT_EQ(pool.FindObj(Key(2)), b);
    EXPECT_EQ(b->GetGuid(), Key(2));
    EXPECT_EQ(TraceMessages(logs).back(),
              "CMonitorObjectMng::ReleaseObj : ThreadId == " + std::to_string(CurrentThreadId()) +
                  " ,pMonitorObj == " + Hex(a) + ", cout == 1\n");
    // A release naming the wrong slot for a key leaves both monitors in place.
    MonitorObject* c = pool.GetAvailableObj(Key(3));
    pool.ReleaseObj(Key(3), b);
    EXPECT_EQ(pool.GetUseCount(b), 1);
    EXPECT_EQ(pool.GetUseCount(c), 1);
    EXPECT_EQ(pool.FindObj(Key(3)), c);
    // A release with a non-slot address changes nothing.
    MonitorObject stranger;
    pool.ReleaseObj(Key(9), &stranger);
    pool.ReleaseObj(Key(9), nullptr);
    EXPECT_EQ(pool.SnapshotIndex().size(), 2u);
}

TEST(CMonitorObjectMngTest, NewOccupantSeesFreshRecordsAndHookRunsOnEachChange) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    std::vector<MonitorObject*> hookCalls;
    pool.SetSlotResetHook([&](MonitorObject* slot) { hookCalls.push_back(slot); });

    MonitorObject* old = pool.GetAvailableObj(Key(1));
    MonitorAttribute a;
    old->GetStatus()->GetMonitorAttribute(&a);
    CopyToField(a.deviceName, u"OldBed");
    CopyToField(a.softwareVersion, u"V1.0");
    a.loadedModules.Fill(0);
    a.loadedModules[1] = 1;
    a.connected = 1;
    old->GetStatus()->SetMonitorAttribute(&a);
    MonitorPatientInfo p;
    CopyToField(p.text1, u"Old patient");
    p.bedNo = 12;
    old->GetStatus()->SetMonitorPatientInfo(&p);
    old->SetLastResult(CommandResult{13, 1, -1, 2, 3});
    old->SetUpgradeRequest(UpgradeRequest{1, 5});
    EXPECT_EQ(pool.GetAvailableObj(Key(1)), nullptr);  // refused: no hook call
    pool.ReleaseObj(Key(1), old);

    MonitorObject* fresh = pool.GetAvailableObj(Key(2));
    ASSERT_EQ(fresh, old);
    MonitorAttribute got;
    MonitorPatientInfo gotPatient;
    fresh->GetStatus()->GetMonitorAttribute(&got);
    fresh->GetStatus()->GetMonitorPatientInfo(&gotPatient);
    EXPECT_EQ(FieldText(got.deviceName), u"");
    EXPECT_EQ(FieldText(got.softwareVersion), u"");
    EXPECT_EQ(got.loadedModules[1], 0xFF);
    EXPECT_EQ(got.connected, 0);
    EXPECT_EQ(FieldText(gotPatient.text1), u"");
    EXPECT_EQ(gotPatient.bedNo, 0u);
    EXPECT_FLOAT_EQ(gotPatient.value3, -1000.0f);
    EXPECT_EQ(fresh->GetLastResult().code, 0);
    EXPECT_EQ(int{fresh->GetUpgradeRequest().serialNum}, 0);
    EXPECT_EQ(hookCalls, (std::vector<MonitorObject*>{old, old, fresh}));
}

TEST(CMonitorObjectMngTest, SixteenThreadsAcquiringAndReleasingKeepThePoolConsistent) {
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    std::atomic<int> hookCalls{0};
    pool.SetSlotResetHook([&](MonitorObject*) { ++hookCalls; });
    std::atomic<int> owner[MAX_MONITOR_COUNT];
    for (auto& o : owner) {
        o = -1;
    }
    std::atomic<int> faults{0};
    std::atomic<int> acquired{0};
    auto check = [&](bool ok) {
        if (!ok) {
            ++faults;
        }
    };
    auto worker = [&](int id) {
        std::mt19937 rng(static_cast<unsigned>(id) * 7919u + 1u);
        struct Held {
            GUID key;
            MonitorObject* obj;
        };
        std::vector<Held> held;
        for (int step = 0; step < 150; ++step) {
            if (held.size() < 2 && (held.empty() || rng() % 2 == 0)) {
                GUID key = Key(static_cast<std::uint8_t>(rng() % 24));
                MonitorObject* obj = pool.GetAvailableObj(key);
                if (obj != nullptr) {
                    int slot = pool.SlotIndex(obj);
                    check(slot >= 0);
                    int expected = -1;
                    check(owner[slot].compare_exchange_strong(expected, id));
                    check(pool.FindObj(key) == obj);
                    check(pool.GetUseCount(obj) == 1);
                    check(obj->GetGuid() == key);
                    held.push_back({key, obj});
                    ++acquired;
                }
            } else if (!held.empty()) {
                Held h = held.back();
                held.pop_back();
                owner[pool.SlotIndex(h.obj)] = -1;
                pool.ReleaseObj(h.key, h.obj);
            }
            for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
                int count = pool.GetUseCount(pool.Slot(i));
                check(count == 0 || count == 1);
            }
            MonitorIndex snap = pool.SnapshotIndex();
            std::set<MonitorObject*> distinct;
            for (const auto& entry : snap) {
                distinct.insert(entry.second);
                check(pool.SlotIndex(entry.second) >= 0);
            }
            check(distinct.size() == snap.size() && snap.size() <= 16);
        }
        for (const Held& h : held) {
            owner[pool.SlotIndex(h.obj)] = -1;
            pool.ReleaseObj(h.key, h.obj);
        }
    };
    std::vector<std::thread> threads;
    for (int id = 0; id < 16; ++id) {
        threads.emplace_back(worker, id);
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(faults.load(), 0);
    EXPECT_GT(acquired.load(), 0);
    EXPECT_EQ(hookCalls.load(), 2 * acquired.load());
    EXPECT_TRUE(pool.SnapshotIndex().empty());
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        EXPECT_EQ(pool.GetUseCount(pool.Slot(i)), 0) << i;
        EXPECT_EQ(pool.Slot(i)->GetGuid(), EmptyGuid()) << i;
    }
}

}  // namespace

// A reconnecting monitor whose old slot has gone silent: the claim names the holder once (other
// claims of the key at the same moment are told a replacement is under way, a live holder still
// refuses, also in a full pool), the slot is handed over only after its release, and the socket
// can be taken only from the occupant the claim meant.
TEST(CMonitorObjectMngTest, SilentHolderIsNamedOnceAndHandedOverOnlyAfterItsRelease) {
    using Outcome = MonitorClaim::Outcome;
    ScopedLogDir logs;
    CMonitorObjectMng pool;
    for (int i = 0; i < MAX_MONITOR_COUNT; ++i) {
        ASSERT_NE(pool.GetAvailableObj(Key(static_cast<std::uint8_t>(i))), nullptr);
    }
    MonitorObject* holder = pool.FindObj(Key(3));
    EXPECT_EQ(pool.ClaimObj(Key(3), 60000).outcome, Outcome::HeldAlive);
    EXPECT_EQ(pool.ClaimObj(Key(99), 0).outcome, Outcome::PoolFull);
    while (holder->SilentForMs() <= 0) {
        std::this_thread::yield();  // a condition: the clock has moved on since it was heard
    }

    // Eight claims at once: exactly one is told to end the holder.
    std::atomic<int> silent{0};
    std::atomic<int> beingReplaced{0};
    MonitorClaim first;
    std::mutex firstLock;
    std::vector<std::thread> claimers;
    for (int t = 0; t < 8; ++t) {
        claimers.emplace_back([&] {
            const MonitorClaim c = pool.ClaimObj(Key(3), 0);
            if (c.outcome == Outcome::HeldSilent) {
                ++silent;
                std::lock_guard<std::mutex> guard(firstLock);
                first = c;
            } else if (c.outcome == Outcome::BeingReplaced) {
                ++beingReplaced;
            }
        });
    }
    for (auto& t : claimers) {
        t.join();
    }
    ASSERT_EQ(silent.load(), 1);
    EXPECT_EQ(beingReplaced.load(), 7);
    EXPECT_EQ(first.obj, holder);
    EXPECT_EQ(first.occupancy, holder->Occupancy());

    // A holder that does not let go: the replacement is called off and may be tried again.
    EXPECT_FALSE(pool.WaitReleased(first, 10));
    const MonitorClaim again = pool.ClaimObj(Key(3), 0);
    ASSERT_EQ(again.outcome, Outcome::HeldSilent);

    // Only the meant occupant's socket can be taken, and only once.
    SocketAddr peer;
    peer.sock = static_cast<SocketHandle>(77);
    holder->SetPeer(peer);
    EXPECT_EQ(holder->TakePeerSocket(again.occupancy + 1), kInvalidSocket);
    EXPECT_FALSE(holder->ConnectionLost());
    EXPECT_EQ(holder->TakePeerSocket(again.occupancy), static_cast<SocketHandle>(77));
    EXPECT_TRUE(holder->ConnectionLost());
    EXPECT_EQ(holder->GetPeer().sock, kInvalidSocket);
    EXPECT_EQ(holder->TakePeerSocket(again.occupancy), kInvalidSocket);

    std::thread releaser([&] { pool.ReleaseObj(Key(3), holder); });
    EXPECT_TRUE(pool.WaitReleased(again, 5000));
    releaser.join();
    const MonitorClaim taken = pool.ClaimObj(Key(3), 0);
    ASSERT_EQ(taken.outcome, Outcome::Taken);
    EXPECT_EQ(taken.obj, holder);  // the only free slot
    EXPECT_NE(holder->Occupancy(), again.occupancy);
    EXPECT_EQ(pool.ClaimObj(Key(3), 60000).outcome, Outcome::HeldAlive);  // just heard
}
