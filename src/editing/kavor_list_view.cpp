#include "editing/kavor_list_view.h"

#include <QMouseEvent>
#include <QScrollBar>

namespace kavor {

namespace {
// Buttons other than the left one neither select nor double-click.
bool IgnoredButton(const QMouseEvent* event) { return event->button() != Qt::LeftButton; }
}  // namespace

KavorListView::KavorListView(QWidget* parent) : QListView(parent) {}

void KavorListView::SetColumnFlow(int width, int row_height) {
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setGridSize(QSize(width, row_height));
  // Per item in a wrapping list means per column: the first visible column
  // always starts at the left edge.
  setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
}

int KavorListView::FirstVisibleColumn() const {
  return flow() == QListView::TopToBottom && isWrapping() ? horizontalScrollBar()->value() : 0;
}

void KavorListView::ScrollToFront(const QModelIndex& index) {
  if (!index.isValid()) return;
  if (flow() != QListView::TopToBottom || !isWrapping() || gridSize().width() <= 0) {
    scrollTo(index, QAbstractItemView::PositionAtTop);
    return;
  }
  // rectForIndex lays out pending rows first, so the scroll range is current.
  const int column = rectForIndex(index).x() / gridSize().width();
  horizontalScrollBar()->setValue(column);
}

QItemSelectionModel::SelectionFlags KavorListView::selectionCommand(const QModelIndex& index,
                                                                    const QEvent* event) const {
  const QItemSelectionModel::SelectionFlags flags = QListView::selectionCommand(index, event);
  // A single-selection list keeps its row: Ctrl+click or Ctrl+Space on it
  // would deselect it, a click below the last row would clear the list.
  if (selectionMode() == QAbstractItemView::SingleSelection &&
      (!index.isValid() || (flags & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))))
    return QItemSelectionModel::NoUpdate;
  return flags;
}

void KavorListView::mousePressEvent(QMouseEvent* event) {
  if (IgnoredButton(event)) {
    event->accept();
    return;
  }
  const QModelIndex hit = indexAt(event->position().toPoint());
  const bool again = hit.isValid() && hit == currentIndex() && selectionModel() &&
                     selectionModel()->isSelected(hit);
  QListView::mousePressEvent(event);
  if (again && currentIndex() == hit) emit CurrentRowClickedAgain(hit.row());
}

void KavorListView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) && event->buttons() != Qt::NoButton) {
    event->accept();
    return;
  }
  QListView::mouseMoveEvent(event);
}

void KavorListView::mouseReleaseEvent(QMouseEvent* event) {
  if (IgnoredButton(event)) {
    event->accept();
    return;
  }
  QListView::mouseReleaseEvent(event);
}

void KavorListView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (IgnoredButton(event)) {
    event->accept();
    return;
  }
  QListView::mouseDoubleClickEvent(event);
}

}  // namespace kavor
