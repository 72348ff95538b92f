#pragma once
// The rows of the main window's monitor list: five texts and a check mark per row, the column
// headers and the list's visibility. The monitor table writes it on the UI thread and reads it
// from session threads; the Qt view mirrors it on the UI thread. Every operation locks.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class MonitorListModel {
  public:
    static constexpr int kColumns = 5;
    struct Row {
        std::array<std::string, kColumns> texts;
        bool checked = false;
    };

    int RowCount() const;
    // Appends a row with column 0 set; returns its index.
    int AppendRow(const std::string& column0);
    void DeleteRow(int row);
    std::string GetText(int row, int column) const;
    // Returns true when the text changed.
    bool SetText(int row, int column, const std::string& text);
    bool GetCheck(int row) const;
    void SetCheck(int row, bool checked);
    // First row whose column text equals `text`, or -1.
    int FindRow(int column, const std::string& text) const;
    // Whether that first row is checked (false when there is none), in one locked look-up.
    bool IsRowChecked(int column, const std::string& text) const;

    std::string GetHeader(int column) const;
    void SetHeader(int column, const std::string& text);
    bool IsVisible() const;
    void SetVisible(bool visible);

    // A copy of every row, for the view and for tests.
    std::vector<Row> Rows() const;
    // Advances on every change, so a view can tell whether it must redraw.
    std::uint64_t Revision() const;

  private:
    mutable std::mutex mutex_;
    std::vector<Row> rows_;
    std::array<std::string, kColumns> headers_;
    bool visible_ = false;
    std::uint64_t revision_ = 0;
};
