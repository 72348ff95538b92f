#include "registry/MonitorListModel.h"

namespace {

bool ValidColumn(int column) {
    return column >= 0 && column < MonitorListModel::kColumns;
}

}  // namespace

int MonitorListModel::RowCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return static_cast<int>(rows_.size());
}

int MonitorListModel::AppendRow(const std::string& column0) {
    std::lock_guard<std::mutex> guard(mutex_);
    Row row;
    row.texts[0] = column0;
    rows_.push_back(std::move(row));
    ++revision_;
    return static_cast<int>(rows_.size()) - 1;
}

void MonitorListModel::DeleteRow(int row) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    rows_.erase(rows_.begin() + row);
    ++revision_;
}

std::string MonitorListModel::GetText(int row, int column) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !ValidColumn(column)) {
        return std::string();
    }
    return rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
}

bool MonitorListModel::SetText(int row, int column, const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size()) || !ValidColumn(column)) {
        return false;
    }
    std::string& cell =
        rows_[static_cast<std::size_t>(row)].texts[static_cast<std::size_t>(column)];
    if (cell == text) {
        return false;
    }
    cell = text;
    ++revision_;
    return true;
}

bool MonitorListModel::GetCheck(int row) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return false;
    }
    return rows_[static_cast<std::size_t>(row)].checked;
}

void MonitorListModel::SetCheck(int row, bool checked) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (row < 0 || row >= static_cast<int>(rows_.size())) {
        return;
    }
    bool& mark = rows_[static_cast<std::size_t>(row)].checked;
    if (mark != checked) {
        mark = checked;
        ++revision_;
    }
}

int MonitorListModel::FindRow(int column, const std::string& text) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!ValidColumn(column)) {
        return -1;
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].texts[static_cast<std::size_t>(column)] == text) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool MonitorListModel::IsRowChecked(int column, const std::string& text) const {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!ValidColumn(column)) {
        return false;
    }
    for (const Row& row : rows_) {
        if (row.texts[static_cast<std::size_t>(column)] == text) {
            return row.checked;
        }
    }
    return false;
}

std::string MonitorListModel::GetHeader(int column) const {
    std::lock_guard<std::mutex> guard(mutex_);
    return ValidColumn(column) ? headers_[static_cast<std::size_t>(column)] : std::string();
}

void MonitorListModel::SetHeader(int column, const std::string& text) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!ValidColumn(column)) {
        return;
    }
    std::string& header = headers_[static_cast<std::size_t>(column)];
    if (header != text) {
        header = text;
        ++revision_;
    }
}

bool MonitorListModel::IsVisible() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return visible_;
}

void MonitorListModel::SetVisible(bool visible) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (visible_ != visible) {
        visible_ = visible;
        ++revision_;
    }
}

std::vector<MonitorListModel::Row> MonitorListModel::Rows() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return rows_;
}

std::uint64_t MonitorListModel::Revision() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return revision_;
}
