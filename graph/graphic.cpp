#include "graphic.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <algorithm>

#include "dialogcontrols.h"
#include "dialogunits.h"
#include "paintgraphic.h"
#include "stringtable.h"
#include "uitext.h"

using dialogunits::kComboHeight;
using dialogunits::Place;
using dialogunits::PlaceLabel;

namespace {

constexpr int kProgressSteps = 1000;

}  // namespace

Graphic::Graphic(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("203"));
  setProperty("controlId", 203);
  resize(dialogunits::X(642), dialogunits::Y(403));
  // A fixed pixel font, so that the labels fit the cells of the template.
  setFont(dialogunits::DialogFont());
  chooseLogFile = [this] {
    // The reading page writes its logs into the current directory.
    return QFileDialog::getOpenFileName(this, QString(), QDir::currentPath(),
                                        QStringLiteral("My files (*.txt);;All files (*.*)"));
  };
  choosePrinter = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  showError = [this](const QString& text) {
    QMessageBox::warning(this, UiText(strings::kErrorCaption), text);
  };

  auto* placeholder = Place<QLabel>(this, 233, 14, 0, 578, 396);
  placeholder->hide();
  auto* open = Place<QPushButton>(this, 232, 584, 21, 44, 14);
  open->setText(QString::fromUtf8("Открыть"));
  PlaceLabel(this, "Передатчик", 583, 42, 41, 8);
  transmitterEdit = Place<QLineEdit>(this, 241, 584, 52, 47, 14);
  PlaceLabel(this, "Первый прием", 585, 71, 51, 8);
  firstEdit = Place<QLineEdit>(this, 242, 584, 81, 47, 12);
  PlaceLabel(this, "Последний прием", 584, 98, 47, 17);
  lastEdit = Place<QLineEdit>(this, 243, 585, 116, 46, 12);
  PlaceLabel(this, "Дискретность", 586, 134, 50, 8);
  intervalList = Place<QComboBox>(this, 244, 585, 144, 53, kComboHeight);
  auto* build = Place<QPushButton>(this, 245, 586, 164, 50, 14);
  build->setText(QString::fromUtf8("Построить"));
  PlaceLabel(this, "Макс. TX", 586, 186, 32, 8);
  maxTxList = Place<QComboBox>(this, 246, 586, 196, 48, kComboHeight);
  auto* print = Place<QPushButton>(this, 247, 585, 218, 50, 14);
  print->setText(QString::fromUtf8("Печать"));
  PlaceLabel(this, "Шрифт", 591, 238, 24, 8);
  fontList = Place<QComboBox>(this, 249, 587, 248, 44, kComboHeight);
  PlaceLabel(this, "TX/min", 589, 267, 24, 8);
  rateEdit = Place<QLineEdit>(this, 261, 588, 277, 40, 14);

  // The drawing window takes the placeholder's size, at the page's corner.
  drawing = new PaintGraphic(*this, this);
  drawing->setGeometry(QRect(QPoint(0, 0), placeholder->size()));
  drawing->hide();

  connect(open, &QPushButton::clicked, this, &Graphic::OnOpen);
  connect(build, &QPushButton::clicked, this, &Graphic::OnBuild);
  connect(print, &QPushButton::clicked, this, &Graphic::OnPrint);
  OnInitDialog();
  connect(intervalList, &QComboBox::currentIndexChanged, this, &Graphic::OnIntervalSelected);
  connect(maxTxList, &QComboBox::currentIndexChanged, this, &Graphic::OnMaxTxSelected);
  connect(fontList, &QComboBox::currentIndexChanged, this, &Graphic::OnFontSelected);
}

void Graphic::OnInitDialog() {
  for (int id : {strings::kOneMinute, strings::kTwoMinutes, strings::kThreeMinutes,
                 strings::kFiveMinutes, strings::kTenMinutes}) {
    intervalList->addItem(UiText(id));
  }
  intervalList->setCurrentIndex(0);
  firstEdit->setText(QStringLiteral("00:00"));
  lastEdit->setText(QStringLiteral("23:59"));
  for (const char* top : {"1", "10", "20", "30", "60", "120"})
    maxTxList->addItem(QString::fromLatin1(top));
  maxTxList->setCurrentIndex(3);
  transmitterEdit->setText(QStringLiteral("0A642"));
  fontList->addItem(UiText(strings::kNormalFont));
  fontList->addItem(UiText(strings::kSmallFont));
  fontList->setCurrentIndex(0);
}

GraphSettings Graphic::Settings() const {
  GraphSettings settings;
  settings.intervalMinutes = IntervalOfItem(intervalList->currentIndex());
  settings.maxTx = MaxTxOfItem(maxTxList->currentIndex());
  settings.intervalText = intervalList->currentText().toStdString();
  return settings;
}

void Graphic::ShowRate(const QString& rate) { rateEdit->setText(rate); }

void Graphic::OnOpen() {
  // Events are handled during a load, before its dialog shows too: a second
  // "Открыть" meanwhile is not a second load into the same bins.
  if (loading) return;
  const QScopedValueRollback<bool> busy(loading, true);
  // Every load starts from empty bins, also when it is cancelled.
  drawing->ClearBins();
  const QString path = chooseLogFile();
  if (!path.isEmpty()) {
    LoadRequest request;
    request.transmitter = transmitterEdit->text().left(5).toStdString();
    request.firstText = firstEdit->text().left(11).toStdString();
    request.lastText = lastEdit->text().left(11).toStdString();
    // A large log (or a slow disk) shows how far the load is and can be
    // cancelled; the events handled between blocks keep the window drawn.
    // The dialog is window-modal, so nothing on the page changes meanwhile.
    QProgressDialog progress(QString::fromUtf8("Загрузка журнала…"), QString::fromUtf8("Отмена"), 0,
                             kProgressSteps, this);
    progress.setObjectName(QStringLiteral("loadProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(progressDelayMs);
    progress.setAutoReset(false);
    const LoadProgress step = [&progress](std::uint64_t done, std::uint64_t total) {
      // A log that is still being written can grow past the size it had.
      const std::uint64_t part =
          total == 0 ? kProgressSteps : std::min(done, total) * kProgressSteps / total;
      progress.setValue(static_cast<int>(part));
      QCoreApplication::processEvents();
      return !progress.wasCanceled();
    };
    // A file that cannot be read leaves empty bins, and the user is told
    // why; a cancelled load leaves them empty without a word.
    std::string error;
    if (!drawing->LoadLog(path, request, error, step) && !progress.wasCanceled()) {
      showError(QString::fromStdString(error));
    }
  }
  drawing->Render();
}

void Graphic::RepaintRequest() { drawing->Render(true); }

void Graphic::OnBuild() { RepaintRequest(); }

void Graphic::OnIntervalSelected() { RepaintRequest(); }

void Graphic::OnMaxTxSelected() {
  // Redrawn, but shown only if it already was.
  drawing->Render(false);
}

void Graphic::OnPrint() { drawing->PrintGraphs(); }

void Graphic::OnFontSelected(int index) {
  drawing->SelectFont(index);
  RepaintRequest();
}

QWidget* Graphic::Control(int id) const {
  return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
