#include "win32/Win32MonitorList.h"

#include <algorithm>

#include "pages/ProgressText.h"
#include "win32/Win32Text.h"

using win32ui::Wide;

namespace {

constexpr UINT kCheckedImage = 2;  // state image 1 is the empty box, 2 the ticked one
constexpr std::size_t kStateColumn = 4;

}  // namespace

void Win32MonitorList::Attach(HWND list) {
    list_ = list;
    ListView_SetExtendedListViewStyle(list_, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT |
                                                 LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER |
                                                 LVS_EX_INFOTIP);
    RECT client = {};
    ::GetClientRect(list_, &client);
    const int w = client.right - client.left;
    const int widths[MonitorListModel::kColumns] = {w / 10, w / 5, 2 * w / 5, w / 10, w / 5};
    for (int c = 0; c < MonitorListModel::kColumns; ++c) {
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_CENTER;
        column.cx = widths[c];
        column.pszText = const_cast<wchar_t*>(L"");
        column.iSubItem = c;
        ListView_InsertColumn(list_, c, &column);
    }
}

void Win32MonitorList::OnGetInfoTip(NMLVGETINFOTIPW& tip) const {
    if (tip.pszText == nullptr || tip.cchTextMax <= 0 || tip.iItem < 0 ||
        static_cast<std::size_t>(tip.iItem) >= shown_.size()) {
        return;
    }
    // The row's state in full: a narrow column cuts the names of refused orders.
    const std::string& state = shown_[static_cast<std::size_t>(tip.iItem)].texts[kStateColumn];
    if (state.empty()) {
        return;
    }
    const std::wstring text = Wide(state);
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(tip.cchTextMax - 1));
    text.copy(tip.pszText, n);
    tip.pszText[n] = L'\0';
}

void Win32MonitorList::SetProgressColumnActive(bool active) {
    if (progressActive_ != active) {
        progressActive_ = active;
        ::InvalidateRect(list_, nullptr, FALSE);
    }
}

void Win32MonitorList::Mirror() {
    // read the revision first: a change made while copying shows on the next call
    const std::uint64_t revision = model_.Revision();
    if (list_ == nullptr || (mirrored_ && revision == revision_)) {
        return;
    }
    mirroring_ = true;
    for (int c = 0; c < MonitorListModel::kColumns; ++c) {
        const std::string header = model_.GetHeader(c);
        if (!mirrored_ || header != headers_[static_cast<std::size_t>(c)]) {
            std::wstring text = Wide(header);
            LVCOLUMNW column = {};
            column.mask = LVCF_TEXT | LVCF_FMT;
            column.fmt = LVCFMT_CENTER;  // a text-only change would leave the heading left
            column.pszText = text.data();
            ListView_SetColumn(list_, c, &column);
            headers_[static_cast<std::size_t>(c)] = header;
        }
    }
    const std::vector<MonitorListModel::Row> rows = model_.Rows();
    while (shown_.size() > rows.size()) {
        ListView_DeleteItem(list_, static_cast<int>(shown_.size()) - 1);
        shown_.pop_back();
    }
    while (shown_.size() < rows.size()) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(shown_.size());
        item.pszText = const_cast<wchar_t*>(L"");
        ListView_InsertItem(list_, &item);
        shown_.emplace_back();
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = static_cast<int>(r);
        for (int c = 0; c < MonitorListModel::kColumns; ++c) {
            const std::size_t column = static_cast<std::size_t>(c);
            if (rows[r].texts[column] != shown_[r].texts[column]) {
                std::wstring text = Wide(rows[r].texts[column]);
                ListView_SetItemText(list_, row, c, text.data());
                shown_[r].texts[column] = rows[r].texts[column];
            }
        }
        const bool listChecked = ListView_GetCheckState(list_, static_cast<UINT>(row)) != FALSE;
        if (listChecked != rows[r].checked) {
            ListView_SetCheckState(list_, static_cast<UINT>(row), rows[r].checked ? TRUE : FALSE);
        }
        shown_[r].checked = rows[r].checked;
    }
    // Tab must never land where no focus can be seen: an empty list is no stop, and a list
    // with rows has a focused row for the focus rectangle (Space then toggles its check mark).
    const LONG_PTR style = ::GetWindowLongPtrW(list_, GWL_STYLE);
    const LONG_PTR wanted = rows.empty() ? (style & ~LONG_PTR{WS_TABSTOP}) : (style | WS_TABSTOP);
    if (wanted != style) {
        ::SetWindowLongPtrW(list_, GWL_STYLE, wanted);
    }
    if (!rows.empty() && ListView_GetNextItem(list_, -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(list_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    const bool visible = model_.IsVisible();
    if ((::IsWindowVisible(list_) != FALSE) != visible) {
        ::ShowWindow(list_, visible ? SW_SHOWNA : SW_HIDE);
    }
    mirroring_ = false;
    revision_ = revision;
    mirrored_ = true;
}

int Win32MonitorList::OnItemChanged(const NMLISTVIEW& change) {
    if (mirroring_ || change.iItem < 0 || (change.uChanged & LVIF_STATE) == 0 ||
        ((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) {
        return -1;
    }
    // the list sets the first state image itself when a row is inserted: not the user's doing
    if ((change.uOldState & LVIS_STATEIMAGEMASK) == 0) {
        return -1;
    }
    const int row = change.iItem;
    const bool checked = ((change.uNewState & LVIS_STATEIMAGEMASK) >> 12) == kCheckedImage;
    if (model_.GetCheck(row) == checked) {
        return -1;
    }
    model_.SetCheck(row, checked);
    if (static_cast<std::size_t>(row) < shown_.size()) {
        shown_[static_cast<std::size_t>(row)].checked = checked;
    }
    return row;
}

LRESULT Win32MonitorList::OnCustomDraw(NMLVCUSTOMDRAW& draw) const {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return progressActive_ ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT:
            return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            if (draw.iSubItem != kProgressColumn) {
                return CDRF_DODEFAULT;
            }
            const std::size_t row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
            const int progress =
                row < shown_.size()
                    ? ProgressOfText(shown_[row].texts[static_cast<std::size_t>(kProgressColumn)])
                    : -1;
            if (progress < 0) {
                return CDRF_DODEFAULT;
            }
            DrawProgress(draw, progress);
            return CDRF_SKIPDEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void Win32MonitorList::DrawProgress(NMLVCUSTOMDRAW& draw, int progress) const {
    RECT cell = {};
    ListView_GetSubItemRect(list_, static_cast<int>(draw.nmcd.dwItemSpec), kProgressColumn,
                            LVIR_BOUNDS, &cell);
    HDC dc = draw.nmcd.hdc;
    ::FillRect(dc, &cell, ::GetSysColorBrush(COLOR_WINDOW));
    RECT bar = cell;
    ::InflateRect(&bar, -2, -2);
    HBRUSH frame = ::CreateSolidBrush(RGB(188, 188, 188));
    ::FrameRect(dc, &bar, frame);
    ::DeleteObject(frame);
    RECT inner = bar;
    ::InflateRect(&inner, -1, -1);
    RECT done = inner;
    done.right = inner.left + (inner.right - inner.left) * progress / 100;
    HBRUSH fill = ::CreateSolidBrush(RGB(6, 176, 37));
    ::FillRect(dc, &done, fill);
    ::DeleteObject(fill);
    const std::wstring text =
        Wide(shown_[static_cast<std::size_t>(draw.nmcd.dwItemSpec)].texts[kProgressColumn]);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    // centred in the whole cell: the bar's inner box is lower than the font at 96 DPI and
    // would cut the digits at the top and bottom
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &cell,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
