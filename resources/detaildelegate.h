#pragma once

// A list item's detail after its name in an open drop-down list. Qt code only.

#include <QStyledItemDelegate>

// Shows the item data `kDetailRole` after each item's text in the open list;
// the closed box shows the text alone.
class DetailDelegate : public QStyledItemDelegate {
 public:
  static constexpr int kDetailRole = Qt::UserRole + 2;
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString detail = index.data(kDetailRole).toString();
    if (!detail.isEmpty()) option->text += QStringLiteral("   ") + detail;
  }
};
