#include "TabStopDelegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

#include <algorithm>

namespace dovrex::ui {

namespace {

// The gap a column keeps from the next one when it is wider than its stop.
constexpr int kGapCharacters = 2;

// The average character width the old dialog units were based on.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return std::max(1, (metrics.horizontalAdvance(sample) + 26) / 52);
}

} // namespace

TabStopDelegate* TabStopDelegate::Install(QAbstractItemView& view, std::vector<int> stopsInDialogUnits) {
    auto* delegate = new TabStopDelegate(view, std::move(stopsInDialogUnits));
    view.setItemDelegate(delegate);
    QAbstractItemModel* model = view.model();
    const auto stale = [delegate] { delegate->mStale = true; };
    connect(model, &QAbstractItemModel::rowsInserted, delegate, stale);
    connect(model, &QAbstractItemModel::rowsRemoved, delegate, stale);
    connect(model, &QAbstractItemModel::dataChanged, delegate, stale);
    connect(model, &QAbstractItemModel::modelReset, delegate, stale);
    connect(model, &QAbstractItemModel::layoutChanged, delegate, stale);
    return delegate;
}

TabStopDelegate::TabStopDelegate(QAbstractItemView& view, std::vector<int> stops)
    : QStyledItemDelegate(&view), mView(view), mStops(std::move(stops)) {
    std::erase_if(mStops, [](int stop) { return stop <= 0; });
    std::sort(mStops.begin(), mStops.end());
}

int TabStopDelegate::StopPixels(size_t column) const {
    const int unit = AverageCharWidth(mView.fontMetrics());
    int dialogUnits = 8 * 4; // no stops: every eight characters, as a list box without stops
    if (!mStops.empty()) {
        const size_t last = mStops.size() - 1;
        const int spacing = last > 0 ? mStops[last] - mStops[last - 1] : mStops[last];
        dialogUnits = column <= mStops.size() ? mStops[column - 1]
                                              : mStops[last] + spacing * static_cast<int>(column - mStops.size());
    } else {
        dialogUnits *= static_cast<int>(column);
    }
    return dialogUnits * unit / 4;
}

const std::vector<int>& TabStopDelegate::Starts() const {
    if (!mStale) return mStarts;
    const QFontMetrics metrics = mView.fontMetrics();
    std::vector<int> widths; // widest text of each column
    const QAbstractItemModel* model = mView.model();
    for (int row = 0; model != nullptr && row < model->rowCount(mView.rootIndex()); ++row) {
        const QStringList parts =
            model->index(row, 0, mView.rootIndex()).data(Qt::DisplayRole).toString().split(QLatin1Char('\t'));
        if (widths.size() < static_cast<size_t>(parts.size())) widths.resize(static_cast<size_t>(parts.size()), 0);
        for (qsizetype part = 0; part < parts.size(); ++part) {
            widths[static_cast<size_t>(part)] = std::max(widths[static_cast<size_t>(part)], metrics.horizontalAdvance(parts[part]));
        }
    }
    const int gap = kGapCharacters * AverageCharWidth(metrics);
    mStarts.assign(std::max<size_t>(widths.size(), 1), 0);
    for (size_t column = 1; column < mStarts.size(); ++column) {
        mStarts[column] = std::max(StopPixels(column), mStarts[column - 1] + widths[column - 1] + gap);
    }
    mStale = false;
    return mStarts;
}

std::vector<int> TabStopDelegate::ColumnStarts() const { return Starts(); }

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QStringList parts = item.text.split(QLatin1Char('\t'));
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const std::vector<int>& starts = Starts();
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Active
                                                                              : QPalette::Inactive;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                      : QPalette::Text));
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    for (qsizetype part = 0; part < parts.size(); ++part) {
        const size_t column = static_cast<size_t>(part);
        const int left = text.left() + margin + (column < starts.size() ? starts[column] : starts.back());
        const int right = column + 1 < starts.size() ? text.left() + margin + starts[column + 1] : text.right();
        painter->drawText(QRect(left, text.top(), std::max(0, right - left), text.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts[part]);
    }
    painter->restore();
}

QSize TabStopDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    const QStringList parts = index.data(Qt::DisplayRole).toString().split(QLatin1Char('\t'));
    const std::vector<int>& starts = Starts();
    const size_t last = std::min(static_cast<size_t>(parts.size()), starts.size()) - 1;
    const int margins = 2 * (mView.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &mView) + 1);
    size.setWidth(starts[last] + mView.fontMetrics().horizontalAdvance(parts.back()) + margins);
    return size;
}

} // namespace dovrex::ui
