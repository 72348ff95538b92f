#include "platform/SingleInstance.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "ScopedEnvVar.h"
#include "TempDir.h"

namespace {

using State = SingleInstance::State;

// One lock per key: a second holder of the same key is told another copy runs, other keys and
// no key never conflict, and a released lock can be taken by the next copy and back again.
TEST(SingleInstanceTest, OneHolderPerKey) {
    TempDir runtime;
    const ScopedEnvVar lockFolder("XDG_RUNTIME_DIR", runtime.path());
    // A key of this run alone: the suite may run twice at once on this machine.
    const std::string key =
        InstanceKeyForPort(41234) + "-" + std::to_string(std::random_device{}());
    SingleInstance first(key);
    ASSERT_EQ(first.GetState(), State::Held);
    SingleInstance second(key);
    EXPECT_EQ(second.GetState(), State::HeldByAnother);
    EXPECT_TRUE(second.HeldByAnother());
    SingleInstance other(key + "-other");
    EXPECT_EQ(other.GetState(), State::Held);
    SingleInstance none(InstanceKeyForPort(0));
    EXPECT_EQ(none.GetState(), State::None);
    SingleInstance alsoNone(InstanceKeyForPort(0));
    EXPECT_EQ(alsoNone.GetState(), State::None);

    // What an elevated restart does: the first gives the lock up, the new copy takes it.
    first.Release();
    EXPECT_EQ(second.Acquire(), State::Held);
    EXPECT_EQ(first.Acquire(), State::HeldByAnother);
    second.Release();
    EXPECT_EQ(first.Acquire(), State::Held);
    EXPECT_EQ(first.Acquire(), State::Held);  // taking a held lock again changes nothing
}

TEST(SingleInstanceTest, KeysNameThePortsAndTheMessageSaysWhy) {
    EXPECT_EQ(InstanceKeyForPort(5510), "ports-5510");
    EXPECT_EQ(InstanceKeyForPort(0), "");
    const std::string message = AlreadyRunningMessage(5510);
    EXPECT_EQ(message.rfind("Zr40Tool is already running\n", 0), 0u);
    EXPECT_NE(message.find("5510"), std::string::npos);
}

}  // namespace
