#pragma once

#include <QStyledItemDelegate>

#include <vector>

class QAbstractItemView;

namespace dovrex::ui {

// Draws list items whose text holds tab characters as aligned columns, as a list box
// with tab stops did. Each tab moves to the next stop, given in dialog units (a quarter
// of the font's average character width); past the last stop the stops repeat at the
// last stop's spacing. A column wider than its stop moves the following columns right
// in every item, so the columns stay aligned whatever the texts.
class TabStopDelegate final : public QStyledItemDelegate {
public:
    // Installs itself as the view's item delegate (owned by the view).
    static TabStopDelegate* Install(QAbstractItemView& view, std::vector<int> stopsInDialogUnits);

    // Where each column starts, in pixels from the text's left edge, for the view's
    // present items.
    std::vector<int> ColumnStarts() const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    TabStopDelegate(QAbstractItemView& view, std::vector<int> stops);
    // The stop of column number column (1 = after the first tab), in pixels.
    int StopPixels(size_t column) const;
    // The column starts, measured again after the items changed.
    const std::vector<int>& Starts() const;

    QAbstractItemView& mView;
    std::vector<int> mStops;
    mutable std::vector<int> mStarts;
    mutable bool mStale = true;
};

} // namespace dovrex::ui
