// A list as the form's list boxes behave: only the left button selects (the
// right one just asks for the popup), a single-selection list never loses its
// one row, a click on the current row is reported (Qt sees no change in it),
// and the column-flowing channel list scrolls by whole columns.
#pragma once

#include <QListView>

namespace kavor {

class KavorListView : public QListView {
  Q_OBJECT
 public:
  explicit KavorListView(QWidget* parent = nullptr);

  // Lays the list out in columns of `width` pixels, filled top to bottom and
  // scrolled sideways column by column.
  void SetColumnFlow(int width, int row_height);
  // Scrolls so that the row's column is the first visible one, as far as the
  // list scrolls; a list that flows top to bottom scrolls the row to the top.
  void ScrollToFront(const QModelIndex& index);
  // The column of the first visible one, counted from 0.
  int FirstVisibleColumn() const;

 signals:
  // A left click on the row that already was the current, selected one.
  void CurrentRowClickedAgain(int row);

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event = nullptr) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace kavor
