#include "mainwind/table/griddialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

#include "widgets/named.h"

namespace {

GridPlanAnswer& PlanAnswer() {
  static GridPlanAnswer answer;
  return answer;
}

}  // namespace

void SetGridPlanAnswer(GridPlanAnswer answer) { PlanAnswer() = std::move(answer); }

std::optional<GridPlan> AskGridPlan(QWidget* parent, int imageCount, const GridPlan& last) {
  if (PlanAnswer()) return PlanAnswer()(imageCount, last);
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("GridDialog"));
  dialog.setWindowTitle(QStringLiteral("Раскладка сеткой"));
  auto* form = new QFormLayout(&dialog);
  form->addRow(new QLabel(QStringLiteral("Изображений в альбоме: %1").arg(imageCount), &dialog));
  auto* rows = Named(new QSpinBox(&dialog), "SpinGridRows");
  auto* columns = Named(new QSpinBox(&dialog), "SpinGridColumns");
  rows->setRange(1, kTableRows);
  columns->setRange(1, kTableColumns);
  // A square-ish grid for a first guess.
  const int guess = std::max(1, static_cast<int>(std::ceil(std::sqrt(imageCount))));
  const bool fits = last.Rows * last.Columns >= imageCount;
  columns->setValue(fits ? last.Columns : guess);
  rows->setValue(fits ? last.Rows : (imageCount + guess - 1) / guess);
  form->addRow(QStringLiteral("Строк"), rows);
  form->addRow(QStringLiteral("Столбцов"), columns);
  auto* order = Named(new QComboBox(&dialog), "ComboGridOrder");
  order->addItem(QStringLiteral("Змейкой (туда и обратно)"), static_cast<int>(GridOrder::Snake));
  order->addItem(QStringLiteral("Построчно (каждая строка в одну сторону)"),
                 static_cast<int>(GridOrder::Raster));
  order->setCurrentIndex(order->findData(static_cast<int>(last.Order)));
  form->addRow(QStringLiteral("Порядок съёмки"), order);
  auto* corner = Named(new QComboBox(&dialog), "ComboGridCorner");
  corner->addItem(QStringLiteral("Слева сверху"), static_cast<int>(GridCorner::TopLeft));
  corner->addItem(QStringLiteral("Справа сверху"), static_cast<int>(GridCorner::TopRight));
  corner->addItem(QStringLiteral("Слева снизу"), static_cast<int>(GridCorner::BottomLeft));
  corner->addItem(QStringLiteral("Справа снизу"), static_cast<int>(GridCorner::BottomRight));
  corner->setCurrentIndex(corner->findData(static_cast<int>(last.Start)));
  form->addRow(QStringLiteral("Первое изображение"), corner);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Разложить"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return GridPlan{rows->value(), columns->value(),
                  static_cast<GridOrder>(order->currentData().toInt()),
                  static_cast<GridCorner>(corner->currentData().toInt())};
}
