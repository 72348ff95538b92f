#include "qt/MonitorListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <vector>

#include "pages/ProgressText.h"
#include "registry/MonitorListModel.h"

void UpgradeProgressDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const int progress = (active_ && index.column() == MonitorListView::kProgressColumn)
                             ? ProgressOfText(index.data().toString().toStdString())
                             : -1;
    if (progress < 0) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = progress;
    bar.text = index.data().toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.state = option.state | QStyle::State_Horizontal;
    bar.palette = option.palette;
    QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}

MonitorListView::MonitorListView(MonitorListModel& model, QWidget* parent)
    : QTableWidget(parent), model_(model), delegate_(new UpgradeProgressDelegate(this)) {
    setColumnCount(5);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setItemDelegate(delegate_);
    connect(this, &QTableWidget::itemChanged, this, &MonitorListView::OnItemChanged);
    hide();
}

void MonitorListView::ApplyColumnWidths() {
    const int w = width() - 2 * frameWidth();
    const int widths[5] = {w / 10, w / 5, 2 * w / 5, w / 10, w / 5};
    for (int c = 0; c < 5; ++c) {
        setColumnWidth(c, widths[c]);
    }
}

void MonitorListView::SetProgressColumnActive(bool active) {
    if (delegate_->IsActive() != active) {
        delegate_->SetActive(active);
        viewport()->update();
    }
}

QTableWidgetItem* MonitorListView::Cell(int row, int column) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem();
        cell->setTextAlignment(Qt::AlignCenter);
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (column == 0) {
            flags |= Qt::ItemIsUserCheckable;
            cell->setCheckState(Qt::Unchecked);
        }
        cell->setFlags(flags);
        setItem(row, column, cell);
    }
    return cell;
}

void MonitorListView::Mirror() {
    // read the revision first: a change made while copying shows on the next call
    const std::uint64_t revision = model_.Revision();
    if (mirrored_ && revision == revision_) {
        return;
    }
    const std::vector<MonitorListModel::Row> rows = model_.Rows();
    const QSignalBlocker blocker(this);
    for (int c = 0; c < MonitorListModel::kColumns; ++c) {
        const QString header = QString::fromStdString(model_.GetHeader(c));
        QTableWidgetItem* head = horizontalHeaderItem(c);
        if (head == nullptr) {
            head = new QTableWidgetItem();
            setHorizontalHeaderItem(c, head);
        }
        if (head->text() != header) {
            head->setText(header);
        }
    }
    const int count = static_cast<int>(rows.size());
    const bool resized = rowCount() != count;
    if (resized) {
        setRowCount(count);
    }
    // Only the cells that changed are repainted: during an upgrade some progress text changes
    // at nearly every 10 ms refresh, and painting the whole list (a progress bar per row) each
    // time kept the UI thread, which also answers the monitors' requests, busy for milliseconds.
    for (int r = 0; r < count; ++r) {
        const MonitorListModel::Row& row = rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < MonitorListModel::kColumns; ++c) {
            QTableWidgetItem* cell = Cell(r, c);
            const QString text = QString::fromStdString(row.texts[static_cast<std::size_t>(c)]);
            if (cell->text() != text) {
                cell->setText(text);
                cell->setToolTip(text);  // the whole text, however narrow the column
                update(indexFromItem(cell));
            }
        }
        const Qt::CheckState state = row.checked ? Qt::Checked : Qt::Unchecked;
        if (Cell(r, 0)->checkState() != state) {
            Cell(r, 0)->setCheckState(state);
            update(indexFromItem(Cell(r, 0)));
        }
    }
    const bool visible = model_.IsVisible();
    if (isHidden() == visible) {
        setVisible(visible);
    }
    if (resized) {
        viewport()->update();
    }
    revision_ = revision;
    mirrored_ = true;
}

void MonitorListView::OnItemChanged(QTableWidgetItem* cell) {
    if (cell == nullptr || cell->column() != 0) {
        return;
    }
    const int row = cell->row();
    const bool checked = cell->checkState() == Qt::Checked;
    if (model_.GetCheck(row) == checked) {
        return;
    }
    model_.SetCheck(row, checked);
    emit CheckChanged(row);
}
