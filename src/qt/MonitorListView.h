#pragma once
// The main window's monitor list: a checkable five-column table that mirrors the monitor list
// model on the UI thread whenever the model's revision moves, and hands the user's check
// changes back to the model.
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <cstdint>

class MonitorListModel;

// Draws the upgrade column as a progress bar carrying its "NN%" text while a transfer runs.
class UpgradeProgressDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void SetActive(bool active) { active_ = active; }
    bool IsActive() const { return active_; }
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    bool active_ = false;
};

class MonitorListView : public QTableWidget {
    Q_OBJECT
  public:
    static constexpr int kProgressColumn = 4;

    MonitorListView(MonitorListModel& model, QWidget* parent = nullptr);

    // Columns W/10, W/5, 2W/5, W/10, W/5 of the client width W.
    void ApplyColumnWidths();
    // Copies rows, check marks, headers and visibility when the model changed since last time.
    void Mirror();
    // Forces the next Mirror to copy everything.
    void Invalidate() { mirrored_ = false; }
    // The upgrade column shows progress bars (the upgrade page is shown).
    void SetProgressColumnActive(bool active);

  signals:
    // The user changed the check mark of `row`; the model already holds it.
    void CheckChanged(int row);

  private:
    void OnItemChanged(QTableWidgetItem* item);
    QTableWidgetItem* Cell(int row, int column);

    MonitorListModel& model_;
    UpgradeProgressDelegate* delegate_;
    std::uint64_t revision_ = 0;
    bool mirrored_ = false;
};
