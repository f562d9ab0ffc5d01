#include "graphic.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>

#include "detaildelegate.h"
#include "dialogcontrols.h"
#include "dialogunits.h"
#include "graphcommand.h"
#include "graphexport.h"
#include "paintgraphic.h"
#include "picturepainter.h"
#include "stringtable.h"
#include "systemtext.h"
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
  chooseLogFile = [this](const QString& folder) {
    return QFileDialog::getOpenFileName(this, QString(), folder,
                                        QStringLiteral("My files (*.txt);;All files (*.*)"));
  };
  chooseExportFile = [this](const QString& suggested) {
    return QFileDialog::getSaveFileName(
        this, QString::fromUtf8("Сохранить график"), suggested,
        QString::fromUtf8("Рисунок PNG (*.png);;Рисунок SVG (*.svg);;Страница PDF (*.pdf);;"
                          "Таблица CSV (*.csv)"));
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
  // Beside "Открыть": the running reading instead of a file.
  // Two lines: the column is narrower than the words.
  liveButton = Place<QPushButton>(this, -1, 584, 1, 52, 19);
  liveButton->setObjectName(QStringLiteral("liveButton"));
  liveButton->setText(QString::fromUtf8("Текущее\nчтение"));
  liveButton->setCheckable(true);
  liveButton->setToolTip(
      QString::fromUtf8("Показывать идущее чтение; график обновляется раз в секунду"));
  auto* open = Place<QPushButton>(this, 232, 584, 21, 44, 14);
  open->setText(QString::fromUtf8("Открыть"));
  open->setToolTip(QString::fromUtf8("Открыть журнал; F5 загружает его снова"));
  PlaceLabel(this, "Передатчик", 583, 42, 41, 8);
  // Typed as before, or taken from the transmitters of the loaded log.
  transmitterBox = Place<QComboBox>(this, 241, 584, 52, 47, 14);
  transmitterBox->setEditable(true);
  transmitterBox->setInsertPolicy(QComboBox::NoInsert);
  transmitterBox->setItemDelegate(new DetailDelegate(transmitterBox));
  PlaceLabel(this, "Первый прием", 585, 71, 51, 8);
  firstEdit = Place<QLineEdit>(this, 242, 584, 81, 47, 12);
  PlaceLabel(this, "Последний прием", 584, 98, 47, 17);
  lastEdit = Place<QLineEdit>(this, 243, 585, 116, 46, 12);
  PlaceLabel(this, "Дискретность", 586, 134, 50, 8);
  intervalList = Place<QComboBox>(this, 244, 585, 144, 53, kComboHeight);
  auto* build = Place<QPushButton>(this, 245, 586, 164, 50, 14);
  build->setText(QString::fromUtf8("Построить"));
  build->setToolTip(
      QString::fromUtf8("Построить график для выбранного передатчика и времени "
                        "(Enter в этих полях); F5 загружает журнал снова"));
  PlaceLabel(this, "Макс. TX", 586, 186, 32, 8);
  maxTxList = Place<QComboBox>(this, 246, 586, 196, 48, kComboHeight);
  auto* print = Place<QPushButton>(this, 247, 585, 218, 50, 14);
  print->setText(QString::fromUtf8("Печать"));
  PlaceLabel(this, "Шрифт", 591, 238, 24, 8);
  fontList = Place<QComboBox>(this, 249, 587, 248, 44, kComboHeight);
  PlaceLabel(this, "TX/min", 589, 267, 24, 8);
  rateEdit = Place<QLineEdit>(this, 261, 588, 277, 40, 14);
  // Below the template's controls: the day of a log that runs past
  // midnight, and saving the picture or the bins.
  PlaceLabel(this, "День", 591, 298, 24, 8);
  dayList = Place<QComboBox>(this, -1, 586, 308, 50, kComboHeight);
  dayList->setObjectName(QStringLiteral("dayList"));
  auto* save = Place<QPushButton>(this, -1, 585, 330, 50, 14);
  save->setObjectName(QStringLiteral("saveButton"));
  save->setText(QString::fromUtf8("Сохранить…"));

  // The drawing window takes the placeholder's size, at the page's corner.
  drawing = new PaintGraphic(this);
  drawing->setGeometry(QRect(QPoint(0, 0), placeholder->size()));
  drawing->hide();

  connect(open, &QPushButton::clicked, this, &Graphic::OnOpen);
  connect(build, &QPushButton::clicked, this, &Graphic::OnBuild);
  // Enter in the transmitter or the times builds, as the button does.
  connect(transmitterBox->lineEdit(), &QLineEdit::returnPressed, this, &Graphic::OnBuild);
  connect(firstEdit, &QLineEdit::returnPressed, this, &Graphic::OnBuild);
  connect(lastEdit, &QLineEdit::returnPressed, this, &Graphic::OnBuild);
  connect(print, &QPushButton::clicked, this, &Graphic::OnPrint);
  connect(save, &QPushButton::clicked, this, &Graphic::OnSave);
  connect(liveButton, &QPushButton::clicked, this, &Graphic::OnLive);
  liveTimer = new QTimer(this);
  liveTimer->setInterval(1000);
  connect(liveTimer, &QTimer::timeout, this, &Graphic::RefreshLive);
  auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
  reload->setContext(Qt::WidgetWithChildrenShortcut);
  connect(reload, &QShortcut::activated, this, &Graphic::OnReload);
  OnInitDialog();
  connect(intervalList, &QComboBox::currentIndexChanged, this, &Graphic::OnIntervalSelected);
  connect(maxTxList, &QComboBox::currentIndexChanged, this, &Graphic::OnMaxTxSelected);
  connect(fontList, &QComboBox::currentIndexChanged, this, &Graphic::OnFontSelected);
  connect(dayList, &QComboBox::currentIndexChanged, this, &Graphic::OnDaySelected);
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
  transmitterBox->setEditText(QStringLiteral("0A642"));
  fontList->addItem(UiText(strings::kNormalFont));
  fontList->addItem(UiText(strings::kSmallFont));
  fontList->setCurrentIndex(0);
  dayList->setEnabled(false);
}

GraphSettings Graphic::Settings() const {
  GraphSettings settings;
  settings.intervalMinutes = IntervalOfItem(intervalList->currentIndex());
  settings.maxTx = MaxTxOfItem(maxTxList->currentIndex());
  settings.intervalText = intervalList->currentText().toStdString();
  settings.font = fontList->currentIndex() == 0 ? GraphFont::kNormal : GraphFont::kSmall;
  return settings;
}

void Graphic::ShowRate(const QString& rate) { rateEdit->setText(rate); }

std::optional<LoadRequest> Graphic::Request() {
  LoadRequest request;
  request.transmitter = transmitterBox->currentText().left(5).toStdString();
  for (auto [edit, clock] :
       {std::pair{firstEdit, &request.firstText}, std::pair{lastEdit, &request.lastText}}) {
    if (!ParseClockText(edit->text().trimmed().toStdString(), *clock)) {
      showError(
          QString::fromUtf8("Время «%1» не понято. Введите время как 09:30.").arg(edit->text()));
      return std::nullopt;
    }
  }
  request.day = std::max(1, dayList->currentIndex() + 1);
  return request;
}

void Graphic::OnOpen() {
  // Events are handled during a load, before its dialog shows too: a second
  // "Открыть" meanwhile is not a second load into the same bins.
  if (loading) return;
  const QScopedValueRollback<bool> busy(loading, true);
  std::optional<LoadRequest> request = Request();
  if (!request) return;
  QString folder = logFolder ? logFolder() : QString();
  if (model.HasLog()) {
    folder = QFileInfo(QFile::decodeName(model.LogPath().c_str())).absolutePath();
  }
  if (folder.isEmpty()) folder = QDir::currentPath();
  const QString path = chooseLogFile(folder);
  // Cancelled: the graph shown stays.
  if (path.isEmpty()) return;
  // A new log starts on its first day.
  request->day = 1;
  StopFollowing();
  Load(path, *request);
}

void Graphic::OnReload() {
  if (following) {
    // A picture that cannot be rebuilt for what is typed is not followed on
    // for what was typed before.
    const std::optional<LoadRequest> request = Request();
    if (request && !ShowLive(*request)) StopFollowing();
    return;
  }
  if (loading || !model.HasLog()) return;
  const QScopedValueRollback<bool> busy(loading, true);
  const std::optional<LoadRequest> request = Request();
  if (!request) return;
  Load(QFile::decodeName(model.LogPath().c_str()), *request);
}

void Graphic::Load(const QString& path, const LoadRequest& request) {
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
  if (!model.Load(QFile::encodeName(path).toStdString(), request, error, step) &&
      !progress.wasCanceled()) {
    showError(QString::fromUtf8("Журнал не загружен.\n\n") +
              QString::fromStdString(InRussian(error)));
  }
  OfferChoices();
  Render(true);
}

void Graphic::OfferChoices() {
  const GraphData& logData = model.Data();
  {
    const QSignalBlocker blocker(transmitterBox);
    // The same transmitters as offered (a followed reading, once a second):
    // only their counts change, and an open list stays open.
    bool same = transmitterBox->count() == static_cast<int>(logData.transmitters.size());
    for (int i = 0; same && i < transmitterBox->count(); ++i) {
      same = transmitterBox->itemText(i).toStdString() ==
             logData.transmitters[static_cast<std::size_t>(i)].first;
    }
    const QString typed = transmitterBox->currentText();
    if (!same) transmitterBox->clear();
    // The open list is as wide as its items with their line counts.
    const QFontMetrics metrics(transmitterBox->view()->font());
    int widest = transmitterBox->width();
    int index = 0;
    for (const auto& [name, lines] : logData.transmitters) {
      const QString count = QString::fromUtf8("строк: %1").arg(lines);
      if (!same) transmitterBox->addItem(QString::fromStdString(name));
      transmitterBox->setItemData(index++, count, DetailDelegate::kDetailRole);
      widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(name) +
                                                          QStringLiteral("   ") + count) +
                                    40);
    }
    transmitterBox->view()->setMinimumWidth(widest);
    // New data on the current item puts its name into the field: what was
    // typed, and is drawn, stays.
    if (transmitterBox->currentText() != typed) transmitterBox->setEditText(typed);
  }
  const QSignalBlocker blocker(dayList);
  const std::string name = model.LogPath().filename().string();
  const int days = std::max(1, logData.dayCount);
  if (dayList->count() != days || offeredDaysOf != model.LogPath()) {
    dayList->clear();
    for (int day = 1; day <= days; ++day) {
      const std::string date = DayDate(name, day);
      dayList->addItem(date.empty() ? QString::number(day)
                                    : QString::fromStdString(date.substr(0, 5)));
      dayList->setItemData(day - 1, QString::fromStdString(date), Qt::ToolTipRole);
    }
    offeredDaysOf = model.LogPath();
  }
  dayList->setCurrentIndex(std::clamp(logData.day, 1, dayList->count()) - 1);
  dayList->setEnabled(logData.dayCount > 1);
}

void Graphic::Render(bool show) {
  GraphPicture picture = model.Picture(Settings(), GraphGeometry::Screen());
  if (picture.drawn) ShowRate(QString::fromStdString(picture.rateText));
  drawing->Show(std::move(picture), show);
}

void Graphic::OnBuild() {
  // The transmitter and the times typed since take effect: the log is read
  // again for them (a followed reading is rebinned).
  if (following || model.HasLog()) {
    OnReload();
    return;
  }
  Render(true);
}

void Graphic::OnLive(bool on) {
  if (!on) {
    StopFollowing();
    return;
  }
  if (!live.HasRun()) {
    liveButton->setChecked(false);
    showError(QString::fromUtf8("Чтение ещё не начиналось. Начните чтение на странице «%1», "
                                "затем нажмите «Текущее чтение».")
                  .arg(UiText(strings::kReadingTab)));
    return;
  }
  std::optional<LoadRequest> request = Request();
  if (!request) {
    liveButton->setChecked(false);
    return;
  }
  // The reading's own days: from its first one.
  if (!following) request->day = 1;
  following = true;
  liveButton->setChecked(true);
  if (!ShowLive(*request)) {
    StopFollowing();
    return;
  }
  liveTimer->start();
}

bool Graphic::ShowLive(const LoadRequest& request) {
  if (!live.SetRequest(request)) {
    showError(QString::fromUtf8("Не удаётся перестроить график текущего чтения: его журнал "
                                "недоступен или записан не полностью. Откройте журнал кнопкой "
                                "«Открыть».\n\n") +
              QFile::decodeName(live.LogPath().c_str()));
    return false;
  }
  shownVersion = live.Version() - 1;
  RefreshLive();
  return true;
}

void Graphic::RefreshLive() {
  if (!following || live.Version() == shownVersion) return;
  shownVersion = live.Version();
  GraphData bins;
  live.Snapshot(bins);
  model.Take(std::move(bins), live.LogPath());
  OfferChoices();
  Render(true);
}

void Graphic::StopFollowing() {
  following = false;
  liveTimer->stop();
  liveButton->setChecked(false);
}

void Graphic::OnIntervalSelected() { Render(true); }

void Graphic::OnMaxTxSelected() {
  // Redrawn, but shown only if it already was.
  Render(false);
}

void Graphic::OnPrint() {
  // Nothing loaded: no print job, no empty page, and the user is told.
  if (!model.Data().loaded) {
    showError(QString::fromUtf8("Печатать нечего: сначала откройте журнал."));
    return;
  }
  QPrinter printer(QPrinter::HighResolution);
  if (!choosePrinter(printer)) return;
  QPainter painter;
  if (!painter.begin(&printer)) return;
  GraphSettings settings = Settings();
  settings.caption = PictureCaption(model.Data(), model.LogPath().filename().string());
  PaintPaperPicture(painter, printer, model.Picture(settings, GraphGeometry::Paper()));
  painter.end();
}

void Graphic::OnSave() {
  if (!model.Data().loaded) {
    showError(QString::fromUtf8("Сохранять нечего: сначала откройте журнал."));
    return;
  }
  QFileInfo log(QFile::decodeName(model.LogPath().c_str()));
  QString path = chooseExportFile(log.absolutePath() + QLatin1Char('/') + log.completeBaseName() +
                                  QStringLiteral(".png"));
  if (path.isEmpty()) return;
  // A name without a known ending is a picture.
  if (!IsExportName(QFile::encodeName(path).toStdString())) path += QStringLiteral(".png");
  std::string error;
  GraphSettings settings = Settings();
  settings.caption = PictureCaption(model.Data(), model.LogPath().filename().string());
  if (!ExportGraphs(QFile::encodeName(path).toStdString(), model.Data(), settings, error)) {
    showError(QString::fromUtf8("График не сохранён.\n\n") +
              QString::fromStdString(InRussian(error)));
  }
}

void Graphic::OnFontSelected(int) { Render(true); }

void Graphic::OnDaySelected(int index) {
  if (index < 0) return;
  OnReload();
}

QWidget* Graphic::Control(int id) const {
  return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}
