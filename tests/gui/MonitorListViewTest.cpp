// The monitor list view mirrors its model and hands user check changes back; the upgrade
// column draws progress; the Qt UI thread runs posted tasks in order.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPaintEvent>
#include <QRegion>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "GuiTestSupport.h"
#include "qt/MonitorListView.h"
#include "qt/QtUiThread.h"
#include "registry/MonitorListModel.h"

namespace {

struct ListView : ::testing::Test {
    QWidget parent;
    MonitorListModel model;
    MonitorListView* view = new MonitorListView(model, &parent);
    void SetUp() override { view->setGeometry(0, 0, 502, 150); }
    void AddRows(int n) {
        for (int i = 0; i < n; ++i) {
            const int row = model.AppendRow("dev" + std::to_string(i));
            model.SetText(row, 2, "{guid-" + std::to_string(i) + "}");
        }
    }
};

TEST_F(ListView, ColumnWidthsFollowTheClientWidth) {
    view->ApplyColumnWidths();
    const int w = view->width() - 2 * view->frameWidth();
    const int expected[5] = {w / 10, w / 5, 2 * w / 5, w / 10, w / 5};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(view->columnWidth(c), expected[c]) << c;
    }
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(view->isHidden());
}

TEST_F(ListView, MirrorsRowsHeadersChecksAndVisibilityWithoutSignals) {
    QSignalSpy changed(view, &MonitorListView::CheckChanged);
    QSignalSpy itemChanged(view, &QTableWidget::itemChanged);
    AddRows(3);
    model.SetCheck(1, true);
    model.SetHeader(3, "Bed");
    model.SetVisible(true);
    view->Mirror();
    ASSERT_EQ(view->rowCount(), 3);
    EXPECT_EQ(view->item(2, 0)->text(), "dev2");
    EXPECT_EQ(view->item(2, 2)->text(), "{guid-2}");
    EXPECT_EQ(view->item(2, 2)->toolTip(), "{guid-2}");  // a cut cell shows in full on hover
    EXPECT_EQ(view->item(1, 0)->checkState(), Qt::Checked);
    EXPECT_EQ(view->item(0, 0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(view->horizontalHeaderItem(3)->text(), "Bed");
    EXPECT_EQ(view->item(0, 4)->textAlignment(), int(Qt::AlignCenter));
    EXPECT_FALSE(view->isHidden());
    model.DeleteRow(0);
    model.SetVisible(false);
    view->Mirror();
    ASSERT_EQ(view->rowCount(), 2);
    EXPECT_EQ(view->item(0, 0)->text(), "dev1");
    EXPECT_EQ(view->item(0, 0)->checkState(), Qt::Checked);
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(itemChanged.count(), 0);
}

TEST_F(ListView, UserCheckReachesTheModelOnce) {
    AddRows(2);
    view->Mirror();
    QSignalSpy changed(view, &MonitorListView::CheckChanged);
    view->item(1, 0)->setCheckState(Qt::Checked);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    EXPECT_TRUE(model.GetCheck(1));
    // a text change by the user is no check change
    view->item(1, 3)->setText("x");
    EXPECT_EQ(changed.count(), 1);
    view->item(1, 0)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(changed.count(), 2);
    EXPECT_FALSE(model.GetCheck(1));
}

TEST_F(ListView, MirrorSkipsWorkWhenTheModelDidNotChange) {
    AddRows(1);
    view->Mirror();
    view->item(0, 1)->setText("stale");  // only a re-mirror would restore it
    view->Mirror();
    EXPECT_EQ(view->item(0, 1)->text(), "stale");
    model.SetText(0, 3, "7");
    view->Mirror();
    EXPECT_EQ(view->item(0, 1)->text(), "");
    EXPECT_EQ(view->item(0, 3)->text(), "7");
}

// Painting the whole list at each 10 ms refresh of an upgrade held up the UI thread, which also
// answers the monitors: a changed cell repaints that cell alone.
TEST_F(ListView, MirrorRepaintsOnlyTheChangedCells) {
    struct PaintRecorder : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                painted += static_cast<QPaintEvent*>(event)->region();
            }
            return false;
        }
    } recorder;
    AddRows(4);
    model.SetVisible(true);
    view->Mirror();
    parent.show();
    ASSERT_TRUE(PumpUntil([&] { return view->viewport()->isVisible(); }, 2000));
    QCoreApplication::processEvents();
    view->viewport()->installEventFilter(&recorder);
    model.SetText(2, 4, "40%");
    view->Mirror();
    ASSERT_TRUE(PumpUntil([&] { return !recorder.painted.isEmpty(); }, 2000));
    const QRect changed = view->visualItemRect(view->item(2, 4));
    EXPECT_TRUE(changed.contains(recorder.painted.boundingRect()))
        << recorder.painted.boundingRect().width() << "x"
        << recorder.painted.boundingRect().height();
    EXPECT_FALSE(recorder.painted.intersects(view->visualItemRect(view->item(0, 0))));
    view->viewport()->removeEventFilter(&recorder);
}

TEST(QtUiThreadTest, TasksFromManyThreadsRunOnTheUiThreadInPostingOrder) {
    QtUiThread ui;
    constexpr int kThreads = 4;
    constexpr int kTasks = 200;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> offThread{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kTasks; ++i) {
                ui.Post([&, t, i] {
                    if (QThread::currentThread() != ui.thread()) {
                        ++offThread;
                    }
                    seen[static_cast<std::size_t>(t)].push_back(i);
                });
            }
        });
    }
    for (std::thread& p : posters) {
        p.join();
    }
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const auto& s : seen) {
                if (s.size() < kTasks) {
                    return false;
                }
            }
            return true;
        },
        5000));
    EXPECT_EQ(offThread.load(), 0);
    for (const auto& s : seen) {
        for (int i = 0; i < kTasks; ++i) {
            ASSERT_EQ(s[static_cast<std::size_t>(i)], i);
        }
    }
}

}  // namespace
