// A list model over one of the core's row lists: rows are formatted only
// when the view paints them, so a refill of thousands of rows is a reset.
#pragma once

#include <QAbstractListModel>
#include <functional>

namespace kavor {

class RowListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using CountFn = std::function<int()>;
  using TextFn = std::function<QString(int)>;
  RowListModel(CountFn count, TextFn text, QObject* parent = nullptr)
      : QAbstractListModel(parent), count_(std::move(count)), text_(std::move(text)) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : count_();
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return text_(index.row());
  }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  void RowChanged(int row) { emit dataChanged(index(row), index(row)); }

 private:
  CountFn count_;
  TextFn text_;
};

}  // namespace kavor
