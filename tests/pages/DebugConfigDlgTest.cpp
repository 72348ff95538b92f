#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FakeForm.h"
#include "LanguageFolder.h"
#include "MonitorLink.h"
#include "PageTestFleet.h"
#include "QueuedUiThread.h"
#include "TempDir.h"
#include "TestBytes.h"
#include "network/CmpChecksum.h"
#include "pages/CDebugConfigDlg.h"
#include "pages/DebugFrameText.h"
#include "pages/DebugKeys.h"
#include "pages/DebugPageLayout.h"
#include "pages/LanguageTexts.h"
#include "registry/CMonitorObjectMng.h"
#include "registry/CMonitorTable.h"
#include "registry/MonitorListModel.h"

namespace {

namespace dft = DebugFrameText;

GUID Key() {
    GUID g{};
    g.Data2 = 0x1234;
    g.Data4[7] = 7;
    return g;
}

// The page's column heads: texts 110 to 112, then 113 to 119.
const std::string kHeaderColumns = "T110 \t IP \t T111 \t T112 \n";
const std::string kTrafficColumns =
    "T113 \t      IP \t     T114 \t T115 \t T116 \t T117 \t T118 \t T119\n";

// Typed text of a frame, header fields high byte first.
std::string Typed(const Bytes& f) {
    std::string text;
    char buf[4];
    for (std::size_t k = 0; k < f.size(); ++k) {
        std::uint8_t b = f[k];
        if (k < 8) {
            b = f[k ^ 1];  // swap the two bytes of each header field
        }
        std::snprintf(buf, sizeof buf, "%02x", b);
        text += buf;
        if (k + 1 < f.size()) {
            text += ' ';
        }
    }
    return text;
}

// The line from its IP column on (the time in front changes from run to run).
std::string FromIp(const std::string& line) {
    const std::size_t tab = line.find('\t');
    return tab == std::string::npos ? line : line.substr(tab + 1);
}

class DebugPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        monitor = pool.GetAvailableObj(Key());
        ASSERT_NE(monitor, nullptr);
        monitor->SetGuid(Key());
        ASSERT_TRUE(link);
        SocketAddr peer;
        peer.sock = link.Near();
        peer.addr.ip = HostToNet32(0xC0A88907u);  // 192.168.137.7
        monitor->SetPeer(peer);
        table.SetList(&list);
        table.Refresh();
        Select();
    }

    // Checks (or unchecks) the monitor's row: the device being debugged.
    void Select(bool checked = true) {
        int row = -1;
        ASSERT_TRUE(table.FindRow(monitor, row));
        list.SetCheck(row, checked);
    }

    // The n bytes the monitor received, or none when they did not all come.
    Bytes ReadSent(std::size_t n) {
        Bytes out;
        return link.ReadExactly(n, out, 1000) ? out : Bytes{};
    }
    bool NothingSent() { return !link.HasData(0); }
    void Send(const std::string& text) {
        form.SetText(DebugPageId::kFrameText, text);
        page.OnSend();
    }

    ScopedLogDir logs;
    CMonitorObjectMng pool;
    MonitorListModel list;
    CMonitorTable table{pool};
    MonitorObject* monitor = nullptr;
    MonitorLink link;
    FakeForm form{kDebugPageLayout};
    FakeDialogs dialogs;
    FakeDebugDisplay display;
    CDebugConfigDlg page{form, dialogs, display, table, pagetest::FakeText};
};

TEST_F(DebugPageTest, SendsTypedFrameWithComputedChecksum) {
    Select();
    const std::uint32_t serialBefore = monitor->GetSerial();
    Send("00 0a 00 12 00 05 00 00 01 02");

    // Words 000a 0012 0005 0000 0201 sum to 0222; the checksum is its complement.
    const Bytes expected = {0x0a, 0x00, 0x12, 0x00, 0x05, 0x00, 0xdd, 0xfd, 0x01, 0x02};
    const Bytes sent = ReadSent(expected.size());
    EXPECT_EQ(sent, expected);
    EXPECT_TRUE(NothingSent());
    EXPECT_EQ(CmpChecksum(sent.data(), static_cast<std::int32_t>(sent.size())), 0);
    EXPECT_EQ(monitor->GetSerial(), serialBefore + 1);
    EXPECT_TRUE(dialogs.messages.empty());

    const std::vector<std::string> lines = display.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0] + "\n", kHeaderColumns);
    EXPECT_EQ(lines[1], "0\t192.168.137.7\t\t");
    EXPECT_EQ(lines[2] + "\n", kTrafficColumns);
    EXPECT_EQ(FromIp(lines[3]), "192.168.137.7\tInput\ta\t12\t5\t0\t 1 2");
    EXPECT_EQ(FromIp(lines[4]), "192.168.137.7\tSend\ta\t12\t5\tfddd\t 1 2");
    EXPECT_NE(display.text.find(" 1 2\r\n"), std::string::npos);
}

// Captions and column heads in the chosen language, through the shipped texts: in English not
// one byte of Chinese; in Chinese the heads as the console has always written them.
TEST_F(DebugPageTest, CaptionsAndColumnHeadsFollowTheLanguage) {
    using namespace DebugPageId;
    struct Case {
        int language;
        std::vector<std::string> captions;  // labels, Send, Confirm, Clear, Pause, Save file
        std::string resume, stopSaving;
        std::string headerColumns, trafficColumns;
    };
    const Case cases[] = {
        {kLanguageEnglish,
         {"Debug command:", "Command filter:", "Send", "Confirm", "Clear", "Pause", "Save file"},
         "Resume",
         "Stop saving",
         "Bed No. \t IP \t Name \t Software Version \n",
         "Time \t      IP \t     Direction \t Length \t Command \t Serial \t Checksum \t Body\n"},
        {kLanguageChinese,
         {"调试命令：", "筛选命令字：", "发送", "确认", "清空信息", "暂停更新", "保存文件"},
         "继续更新",
         "取消保存",
         "床号 \t IP \t 名称 \t 软件版本 \n",
         "时间 \t      IP \t     状态 \t 包长度 \t 命令字 \t 系列号 \t 校验和 \t 帧体\n"},
    };
    QueuedUiThread ui(QueuedUiThread::Scope::ProcessWide);  // takes the language-change posts
    LanguageFolder folder;
    LanguageTexts texts(folder.path());
    ASSERT_TRUE(texts.LoadLanguage());
    CDebugConfigDlg shown{form, dialogs, display, table,
                          [&texts](int index) { return texts.LanguageText(index); }};
    const int ids[] = {kFrameLabel, kFilterLabel, kSend, kConfirmFilter, kClear, kPause, kSaveFile};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        texts.SetLanguage(c.language);
        shown.RefreshCaptions();
        for (std::size_t i = 0; i < c.captions.size(); ++i) {
            EXPECT_EQ(form.GetText(ids[i]), c.captions[i]) << ids[i];
        }
        // A refresh while paused and saving keeps the captions that say so.
        shown.OnPause();
        shown.OnSaveFile();
        shown.RefreshCaptions();
        EXPECT_EQ(form.GetText(kPause), c.resume);
        EXPECT_EQ(form.GetText(kSaveFile), c.stopSaving);
        shown.OnPause();
        shown.OnSaveFile();
        EXPECT_EQ(form.GetText(kPause), c.captions[5]);
        EXPECT_EQ(form.GetText(kSaveFile), c.captions[6]);

        display.Clear();
        form.SetText(DebugPageId::kFrameText, "00 0a 00 12 00 05 00 00 01 02");
        shown.OnSend();
        ASSERT_EQ(ReadSent(10).size(), 10u);
        const std::vector<std::string> lines = display.Lines();
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[0] + "\n", c.headerColumns);
        EXPECT_EQ(lines[2] + "\n", c.trafficColumns);
        if (c.language == kLanguageEnglish) {
            for (char ch : display.text) {
                ASSERT_LT(static_cast<unsigned char>(ch), 0x80u) << display.text;
            }
        }
    }
}

TEST_F(DebugPageTest, RefusedTextsSendNothing) {
    struct Case {
        std::string text;
        const char* message;  // nullptr: silently ignored
    };
    const Case cases[] = {
        {"", kDebugNoPackage},
        {"00 0c 00 12 00 05 00 00 01 02", kDebugBadPackage},  // 29 characters, 35 needed
        {"00 07 00 12 00 05 00 00 01", kDebugBadPackage},     // length below a header
        {"08 01 00 12 00 05 00 00 01 02", kDebugBadPackage},  // 2049 > the frame buffer
        {"00 08 00 12 00 05 00 00", nullptr},                 // 23 characters: a header frame
        {"00 0a 00 12 00 05 00 0", kDebugBadPackage},         // 22 characters
        {"01 02", kDebugBadPackage},                          // far short of a header
    };
    Select();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dialogs.messages.clear();
        Send(c.text);
        if (c.text.size() == 23) {
            EXPECT_EQ(ReadSent(8).size(), 8u);  // the shortest accepted frame goes out
            continue;
        }
        EXPECT_TRUE(NothingSent());
        if (c.message == nullptr) {
            EXPECT_TRUE(dialogs.messages.empty());
        } else {
            ASSERT_EQ(dialogs.messages.size(), 1u);
            EXPECT_EQ(dialogs.messages[0], c.message);
        }
    }
}

TEST_F(DebugPageTest, NoDeviceOrDisconnectedDeviceSendsNothing) {
    Select(false);
    Send("00 0a 00 12 00 05 00 00 01 02");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], kDebugNoDevice);

    Select();
    display.Clear();
    dialogs.messages.clear();
    pool.ReleaseObj(Key(), monitor);
    Send("00 0a 00 12 00 05 00 00 01 02");
    EXPECT_TRUE(NothingSent());
    EXPECT_TRUE(display.text.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], kDebugNoDevice);
}

// Two monitors both talking: the console shows and sends to the checked one only, never to
// whichever spoke last.
TEST(DebugPageTwoMonitorsTest, OnlyTheCheckedMonitorIsShownAndSentTo) {
    ScopedLogDir logs;
    pagetest::Fleet fleet;
    MonitorObject* a = fleet.Connect(1);
    MonitorObject* b = fleet.Connect(2);
    ASSERT_NE(b, nullptr);
    FakeForm form{kDebugPageLayout};
    FakeDialogs dialogs;
    FakeDebugDisplay display;
    CDebugConfigDlg page{form, dialogs, display, fleet.table, pagetest::FakeText};
    form.SetText(DebugPageId::kFrameText, "00 0a 00 12 00 05 00 00 01 02");

    struct Step {
        MonitorObject* checked;  // nullptr: no row checked
        bool gone;               // the checked monitor has disconnected
    };
    for (const Step& step : {Step{nullptr, false}, Step{a, false}, Step{b, false}, Step{b, true}}) {
        SCOPED_TRACE(step.checked == a ? "a" : step.checked == b ? "b" : "none");
        MonitorObject* target = step.gone ? nullptr : step.checked;
        fleet.table.UncheckAll();
        fleet.Check(step.checked);
        if (step.gone) {
            fleet.Disconnect(2, b);
        }
        display.Clear();
        dialogs.messages.clear();
        page.OnReceivedFrame(a, MakeFrame(0x21, {1}));
        page.OnReceivedFrame(step.gone ? nullptr : b, MakeFrame(0x22, {2}));
        page.OnSend();
        EXPECT_EQ(fleet.HasData(a) && fleet.ReadFrame(a).len == 10, target == a);
        EXPECT_EQ(fleet.HasData(b) && fleet.ReadFrame(b).len == 10, target == b);
        if (target == nullptr) {
            EXPECT_EQ(dialogs.messages, std::vector<std::string>{kDebugNoDevice});
            EXPECT_TRUE(display.text.empty());
            continue;
        }
        // Its Recv line, the device header, Input and Send: all about the checked monitor.
        const std::string ip = target == a ? "192.168.1.1\t" : "192.168.1.2\t";
        const std::vector<std::string> lines = display.Lines();
        ASSERT_EQ(lines.size(), 6u);
        for (std::size_t i : {0, 2, 4, 5}) {
            EXPECT_EQ(FromIp(lines[i]).find(ip), 0u) << lines[i];
        }
        EXPECT_EQ(page.GetDebugDevice(), target->GetGuid());
    }
}

TEST_F(DebugPageTest, DisplayShowsTenBodyBytesFileShowsAllUpToWorkArea) {
    page.OnSaveFile();
    EXPECT_EQ(form.GetText(DebugPageId::kSaveFile), "T107");
    Bytes body(40);
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<std::uint8_t>(0x10 + i);
    }
    page.OnReceivedFrame(monitor, MakeFrame(0x30, body, 1));
    std::string all;
    for (std::uint8_t b : body) {
        all += std::to_string(b / 16) + "0123456789abcdef"[b % 16];
    }
    ASSERT_EQ(display.Lines().size(), 1u);
    EXPECT_EQ(FromIp(display.Lines()[0]),
              "192.168.137.7\tRecv\t30\t30\t1\t2ce0\t" + all.substr(0, 20));
    // the page ends its traffic lines with CR LF itself, on every platform: read them as written
    const std::string log = ReadFileText(logs.file("DebugInfo.log"));
    EXPECT_NE(log.find("\tRecv\t30\t30\t1\t2ce0\t" + all + "\r\n"), std::string::npos) << log;

    // A typed body over the work area: the frame goes out whole, its file line is cut.
    Select();
    Bytes big(1100, 0xab);
    const Bytes frame = MakeFrame(0x31, big, 1);
    Send(Typed(frame));
    EXPECT_EQ(ReadSent(frame.size()).size(), frame.size());
    const std::string after = ReadFileText(logs.file("DebugInfo.log"));
    std::string cut;
    for (int i = 0; i < 1024; ++i) {
        cut += "ab";
    }
    EXPECT_NE(after.find("\tSend\t454\t31\t1\t"), std::string::npos);
    EXPECT_NE(after.find("\t" + cut + "\r\n"), std::string::npos);
    EXPECT_EQ(after.find(cut + "ab"), std::string::npos);
}

TEST_F(DebugPageTest, FilterShowsOnlyListedCommandWords) {
    form.SetText(DebugPageId::kFilterText, "12 0a 0200");
    page.OnConfirmFilter();
    for (std::uint16_t cmd : {0x12, 0x0a, 0x13, 0x200, 0x120, 0x1200}) {
        page.OnReceivedFrame(monitor, MakeFrame(cmd, {1}));
    }
    std::vector<std::string> lines = display.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\tRecv\t9\t12\t"), std::string::npos);
    EXPECT_NE(lines[1].find("\tRecv\t9\ta\t"), std::string::npos);
    EXPECT_NE(lines[2].find("\tRecv\t9\t200\t"), std::string::npos);
    // Dropped frames still choose the device.
    EXPECT_EQ(page.GetDebugDevice(), Key());

    form.SetText(DebugPageId::kFilterText, "");
    page.OnConfirmFilter();
    page.OnReceivedFrame(monitor, MakeFrame(0x13, {1}));
    EXPECT_EQ(display.Lines().size(), 4u);

    // Send uses the filter it finds and leaves it alone.
    form.SetText(DebugPageId::kFilterText, "05");
    Send("");
    EXPECT_EQ(page.GetFilter(), std::vector<std::string>{"*"});
}

TEST(DebugFrameTextTest, FilterWordsAndSplitting) {
    struct Case {
        std::uint16_t cmd;
        const char* text;
    } const words[] = {{0x5, "05"},     {0x12, "12"},     {0x80, "80"}, {0x200, "0200"},
                       {0xfff, "0fff"}, {0x1234, "1234"}, {0x0, "00"}};
    for (const Case& c : words) {
        EXPECT_EQ(dft::CommandFilterText(c.cmd), c.text);
    }
    EXPECT_TRUE(dft::MatchesFilter({"*"}, 0x77));
    EXPECT_FALSE(dft::MatchesFilter({"*", "12"}, 0x77));
    EXPECT_FALSE(dft::MatchesFilter({"0A"}, 0x0a));  // case-sensitive
    EXPECT_FALSE(dft::MatchesFilter({}, 0x12));

    using V = std::vector<std::string>;
    EXPECT_EQ(dft::SplitText("", ' '), V{});
    EXPECT_EQ(dft::SplitText("12", ' '), V{"12"});
    EXPECT_EQ(dft::SplitText("12 0a", ' '), (V{"12", "0a"}));
    EXPECT_EQ(dft::SplitText("12  0a ", ' '), (V{"12", "", "0a"}));
    EXPECT_EQ(dft::SplitText(" ", ' '), V{""});
}

TEST(DebugFrameTextTest, HexValuesAndBodyByteFormat) {
    EXPECT_EQ(dft::HexValue("000a"), 0xau);
    EXPECT_EQ(dft::HexValue("  Ff"), 0xffu);
    EXPECT_EQ(dft::HexValue("1g2"), 1u);
    EXPECT_EQ(dft::HexValue("zz"), 0u);
    EXPECT_EQ(dft::HexValue(""), 0u);

    const Bytes f = MakeFrame(0x5, {0x05, 0x80, 0x00, 0xff}, 0x1a2);
    EXPECT_EQ(dft::TrafficLine("T", "1.2.3.4", dft::Direction::Recv, f.data(), f.size(), 10),
              "T\t1.2.3.4\tRecv\tc\t5\t1a2\t7f46\t 580 0ff\r\n");
    EXPECT_EQ(dft::TrafficLine("T", "ip", dft::Direction::Send, f.data(), f.size(), 1),
              "T\tip\tSend\tc\t5\t1a2\t7f46\t 5\r\n");
    // A length field larger than the frame shows only the bytes there are.
    Bytes lying = f;
    lying[0] = 0x40;
    EXPECT_EQ(dft::TrafficLine("T", "ip", dft::Direction::Recv, lying.data(), lying.size(), 1024),
              "T\tip\tRecv\t40\t5\t1a2\t7f46\t 580 0ff\r\n");
}

TEST_F(DebugPageTest, KeysOutsideTheHexSetAreRefused) {
    EXPECT_FALSE(page.OnKeyDown(DebugPageId::kFrameText, 0x47));  // G
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], kDebugBadKey);
    const int accepted[] = {0x30, 0x39, 0x41, 0x46, 0x61, 0x66, 0x20, 0x08,
                            0x10, 0x11, 0x14, 0x23, 0x24, 0x2D, 0x2E, 0x90};
    for (int vk : accepted) {
        EXPECT_TRUE(page.OnKeyDown(DebugPageId::kFrameText, vk)) << vk;
    }
    const int refused[] = {0x2F, 0x3A, 0x40, 0x47, 0x60, 0x67, 0x09, 0x0D, 0x25, 0x27, 0x00};
    for (int vk : refused) {
        EXPECT_FALSE(IsDebugKeyAccepted(vk)) << vk;
    }
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(DebugPageTest, EnterSendsTheFrameOrConfirmsTheFilterAndReachesNoField) {
    Select();
    form.SetText(DebugPageId::kFrameText, "00 0a 00 12 00 05 00 00 01 02");
    EXPECT_FALSE(page.OnKeyDown(DebugPageId::kFrameText, kVirtualKeyReturn));
    EXPECT_EQ(ReadSent(10).size(), 10u);
    form.SetText(DebugPageId::kFilterText, "12 0a");
    EXPECT_FALSE(page.OnKeyDown(DebugPageId::kFilterText, kVirtualKeyReturn));
    EXPECT_EQ(page.GetFilter(), (std::vector<std::string>{"12", "0a"}));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
}

TEST_F(DebugPageTest, PausedLinesReachOnlyTheFile) {
    page.OnPause();
    EXPECT_EQ(form.GetText(DebugPageId::kPause), "T105");
    page.OnSaveFile();
    page.OnReceivedFrame(monitor, MakeFrame(0x44, {0x55}, 1));
    EXPECT_TRUE(display.text.empty());
    EXPECT_NE(ReadFileText(logs.file("DebugInfo.log")).find("\tRecv\t9\t44\t1\tff5c\t55\r\n"),
              std::string::npos);
    page.OnPause();
    EXPECT_EQ(form.GetText(DebugPageId::kPause), "T104");
    EXPECT_TRUE(display.text.empty());
    page.OnSaveFile();
    EXPECT_EQ(form.GetText(DebugPageId::kSaveFile), "T106");
    page.OnReceivedFrame(monitor, MakeFrame(0x45, {0x55}));
    EXPECT_EQ(display.Lines().size(), 1u);
    EXPECT_EQ(ReadLogText(logs.file("DebugInfo.log")).find("\t45\t"), std::string::npos);
}

TEST_F(DebugPageTest, TwoHundredLinesDropTheFirstHundred) {
    for (int i = 0; i < 199; ++i) {
        page.OnReceivedFrame(monitor, MakeFrame(0x10, {static_cast<std::uint8_t>(i)}, i));
    }
    EXPECT_EQ(display.GetLineCount(), 199);
    page.OnReceivedFrame(monitor, MakeFrame(0x10, {0xEE}, 199));
    ASSERT_EQ(display.GetLineCount(), 100);
    EXPECT_NE(display.Lines()[0].find("\t10\t64\t"), std::string::npos);  // serial 100 first
    EXPECT_NE(display.Lines()[99].find("\tee"), std::string::npos);

    page.OnClear();
    EXPECT_EQ(display.GetLineCount(), 0);
    EXPECT_EQ(page.GetDebugDevice(), Key());
}

TEST_F(DebugPageTest, DeviceNameWithPercentIsWrittenAsItStands) {
    MonitorAttribute a;
    monitor->GetStatus()->GetMonitorAttribute(&a);
    CopyToField(a.deviceName, u"B%s%n%d");
    CopyToField(a.softwareVersion, u"V1.0");
    monitor->GetStatus()->SetMonitorAttribute(&a);
    MonitorPatientInfo p;
    monitor->GetStatus()->GetMonitorPatientInfo(&p);
    p.bedNo = 12;
    monitor->GetStatus()->SetMonitorPatientInfo(&p);

    Select();
    page.OnSaveFile();
    Send("00 0a 00 12 00 05 00 00 01 02");
    const std::string expected = "12\t192.168.137.7\tB%s%n%d\tV1.0\n";
    EXPECT_NE(display.text.find(expected), std::string::npos);
    const std::string log = ReadLogText(logs.file("DebugInfo.log"));
    EXPECT_EQ(log.find(kHeaderColumns + expected + kTrafficColumns), 0u) << log;
}

}  // namespace
