#include "datareceiving.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "boundedcall.h"
#include "desktopnotification.h"
#include "dialogcontrols.h"
#include "dialogunits.h"
#include "growinglayout.h"
#include "lognotices.h"
#include "openproblem.h"
#include "pagesettings.h"
#include "pagetext.h"
#include "portchooser.h"
#include "programsettings.h"
#include "silencealarm.h"
#include "slotprintout.h"
#include "statusline.h"
#include "stringtable.h"
#include "textformat.h"
#include "threadinbox.h"
#include "toneplayer.h"
#include "uitext.h"

using dialogunits::kComboHeight;
using dialogunits::Place;
using dialogunits::PlaceLabel;

namespace {

constexpr std::chrono::milliseconds kDrainSlice{10};
// Ends a reading from anywhere in the window.
constexpr QKeyCombination kStopKey(Qt::CTRL, Qt::Key_F2);
constexpr std::chrono::milliseconds kDisplayInterval{100};
// The template's page and, under it, the silence limits and the status lines.
constexpr int kPageHeight = 462;

}  // namespace

DataReceiving::DataReceiving(QWidget* parent, const Clock* timeSource)
    : QWidget(parent),
      clock(timeSource != nullptr ? *timeSource : systemClock),
      slotPanel(this),
      session(clock, slotPanel, *this) {
  setObjectName(QStringLiteral("201"));
  session.AddListener(*this);
  statusTimer = new QTimer(this);
  statusTimer->setInterval(250);
  connect(statusTimer, &QTimer::timeout, this, &DataReceiving::UpdateStatus);
  inbox = new ThreadInbox(this);
  drainTimer = new QTimer(this);
  drainTimer->setSingleShot(true);
  drainTimer->setInterval(0);
  connect(drainTimer, &QTimer::timeout, this, &DataReceiving::DrainLines);
  flushTimer = new QTimer(this);
  flushTimer->setSingleShot(true);
  connect(flushTimer, &QTimer::timeout, this, [this] {
    FlushDisplay();
    lastFlush = std::chrono::steady_clock::now();
  });
  resize(dialogunits::X(632), dialogunits::Y(kPageHeight));
  askSaveFiles = [this] {
    std::unique_ptr<QMessageBox> box = MakeSaveFilesQuestion(this);
    box->exec();
    return box->clickedButton() != box->button(QMessageBox::No);
  };
  showError = [this](const QString& text) {
    QMessageBox::warning(this, UiText(strings::kErrorCaption), text);
  };
  showNotice = [this](const QString& text) {
    // Not every notice is an error: a neutral caption.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Delvarine"), text,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
  };
  choosePrinter = [this](QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    return dialog.exec() == QDialog::Accepted;
  };
  tones = new TonePlayer(this);
  playTones = [this] { tones->Play(); };
  chooseFolder = [this](const QString& current) {
    return QFileDialog::getExistingDirectory(this, QString::fromUtf8("Папка журналов"), current);
  };
  openFolder = [](const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  };
  notifyDesktop = SendDesktopNotification;
  CreateControls();
  alarm = new SilenceAlarm(slotPanel, clock, newsLine, this);
  session.AddListener(alarm->Watch());
  alarm->notify = [this](const QString& summary, const QString& body) {
    notifyDesktop(summary, body);
  };
  alarm->playTones = [this] { playTones(); };
  alarm->noteChanged = [this](const QString& note) { emit SilenceNoteChanged(note); };
  status = std::make_unique<StatusLine>(statusLine);
  settings = std::make_unique<PageSettings>(*portChooser, logFolder, slotPanel);
  OnInitPage();
  // A larger window gives its height to the monitor and the column boxes
  // (and their frames), its width to the status lines; the rows under the
  // monitor move down.
  layout = std::make_unique<GrowingLayout>(this, dialogunits::Y(250));
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const int id = child->objectName().toInt();
    if (child == monitor || qobject_cast<QGroupBox*>(child) != nullptr || id == 222 ||
        (id >= 224 && id <= 230)) {
      layout->GrowTall(child);
    }
  }
  layout->Widen(statusLine);
  layout->Widen(newsLine);
}

std::unique_ptr<QMessageBox> DataReceiving::MakeSaveFilesQuestion(QWidget* parent) {
  auto box =
      std::make_unique<QMessageBox>(QMessageBox::Question, QString(), UiText(strings::kSaveFiles),
                                    QMessageBox::Yes | QMessageBox::No, parent);
  // The answers in the interface's language, whatever Qt's own is.
  box->button(QMessageBox::Yes)->setText(QString::fromUtf8("Да"));
  box->button(QMessageBox::No)->setText(QString::fromUtf8("Нет"));
  // Only an explicit "Нет" deletes the log: Enter, Escape and closing the box
  // all keep it.
  box->setDefaultButton(QMessageBox::Yes);
  box->setEscapeButton(QMessageBox::Yes);
  return box;
}

DataReceiving::~DataReceiving() {
  // The reader calls back into this object; end it while the object is whole,
  // as a kept Stop, and let the log writers finish their files.
  if (session.IsReading()) {
    session.Halt();
    session.Finish(true);
  }
  if (!session.WaitForLogs(std::chrono::seconds(1))) {
    // The window is gone; the program stays until the file is whole.
    std::fputs("delvarine: the log is still being written to the disk; waiting for it\n", stderr);
    session.WaitForLogs(std::chrono::hours(24 * 365));
  }
}

void DataReceiving::CreateControls() {
  startButton = Place<QPushButton>(this, 201, 133, 15, 44, 14);
  startButton->setText(QString::fromUtf8("Чтение"));
  startButton->setDefault(true);
  stopButton = Place<QPushButton>(this, 202, 134, 30, 43, 14);
  stopButton->setText(QString::fromUtf8("Завершить"));
  monitor = Place<QPlainTextEdit>(this, 203, 15, 15, 112, 238);
  monitor->setReadOnly(true);
  // Nobody undoes the monitor: without the stack a clear costs nothing
  // (with it, emptying 300 lines took a tenth of a second in a flood).
  monitor->setUndoRedoEnabled(false);
  monitor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  portSelector = Place<RefreshingComboBox>(this, 204, 135, 56, 40, kComboHeight);
  // A fake /dev and /sys tree stands in for the machine's under this root.
  const QString deviceRoot = qEnvironmentVariable("DELVARINE_DEVICE_ROOT");
  portChooser = new PortChooser(
      portSelector, deviceRoot.isEmpty() ? "/" : QFile::encodeName(deviceRoot).toStdString());
  PlaceLabel(this, "COM-порт", 137, 47, 34, 8);

  // Template order is tab order: last-line boxes and number edits of the
  // first three slots, the label, the rounding selector, then the rest.
  slotPanel.PlaceLastLineBox(1);  // 205
  slotPanel.PlaceLastLineBox(2);  // 206
  slotPanel.PlaceLastLineBox(0);  // 207
  slotPanel.PlaceNumberEdit(1);   // 208
  slotPanel.PlaceNumberEdit(2);   // 209
  slotPanel.PlaceNumberEdit(0);   // 210
  PlaceLabel(this, "Передатчик", 122, 255, 41, 8);
  roundingSelector = Place<QComboBox>(this, 211, 135, 81, 39, kComboHeight);
  PlaceLabel(this, "Окрургл.", 135, 71, 35, 8);
  slotPanel.PlaceLastLineBox(3);  // 212
  slotPanel.PlaceLastLineBox(4);  // 213
  slotPanel.PlaceLastLineBox(5);  // 214
  slotPanel.PlaceNumberEdit(3);   // 215
  slotPanel.PlaceNumberEdit(4);   // 216
  slotPanel.PlaceNumberEdit(5);   // 217
  slotPanel.PlaceLastLineBox(6);  // 218
  slotPanel.PlaceNumberEdit(6);   // 219
  slotPanel.PlaceLastLineBox(7);  // 220
  slotPanel.PlaceNumberEdit(7);   // 221

  slotPanel.PlaceColumnBox(0);  // 222
  printButton = Place<QPushButton>(this, 223, 136, 99, 34, 14);
  printButton->setText(QString::fromUtf8("Печать"));

  auto* leftFrame = Place<QGroupBox>(this, -1, 7, 4, 174, 397);
  auto* slotFrame = Place<QGroupBox>(this, -1, 185, 4, 436, 433);

  constexpr std::array<int, 8> kHiddenY = {125, 141, 159, 175, 192, 209, 225, 240};
  for (int i = 0; i < 8; ++i) {
    auto* hidden = Place<QLineEdit>(this, 231 + i, i == 2 ? 156 : 157,
                                    kHiddenY[static_cast<std::size_t>(i)], 23, 14);
    hidden->setReadOnly(true);
    hidden->hide();
  }
  PlaceLabel(this, "P ср.", 159, 114, 18, 8)->hide();
  signalCheck = Place<QCheckBox>(this, 239, 135, 118, 9, 10);
  PlaceLabel(this, "Сигнал приема 8-го TX", 145, 117, 27, 28);
  for (int k = 1; k < kSlotCount; ++k) slotPanel.PlaceColumnBox(k);  // 224..230

  slotPanel.PlaceClearButtons([this](int slot) { OnClearColumn(slot); });
  slotPanel.PlaceLevelBoxes();
  slotPanel.PlaceWindowSelectors();
  // The log folder, under the slot rows: its path, and buttons to choose
  // another and to show it in the file manager.
  logFolderBox = Place<QLineEdit>(this, -1, 7, 406, 110, 14);
  logFolderBox->setReadOnly(true);
  chooseFolderButton = Place<QPushButton>(this, -1, 119, 406, 38, 14);
  chooseFolderButton->setText(QString::fromUtf8("Папка…"));
  chooseFolderButton->setToolTip(QString::fromUtf8("Выбрать папку журналов"));
  openFolderButton = Place<QPushButton>(this, -1, 159, 406, 22, 14);
  openFolderButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  openFolderButton->setToolTip(QString::fromUtf8("Открыть папку журналов в файловом менеджере"));
  connect(chooseFolderButton, &QPushButton::clicked, this, &DataReceiving::OnChooseLogFolder);
  connect(openFolderButton, &QPushButton::clicked, this, &DataReceiving::OnOpenLogFolder);

  // Under the slots: each one's silence limit. Under everything: the state
  // of the run, and the last word about a silence.
  auto* silenceLabel = PlaceLabel(this, "Предупредить, если не слышен:", 7, 422, 178, 8);
  silenceLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
  slotPanel.PlaceSilenceSelectors(
      420, [this](int slot, int minutes) { OnSilenceSelected(slot, minutes); });
  statusLine = Place<QLabel>(this, -1, 9, 440, 612, 9);
  statusLine->setObjectName(QStringLiteral("statusLine"));
  statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
  newsLine = Place<QLabel>(this, -1, 9, 450, 612, 9);
  newsLine->setObjectName(QStringLiteral("silenceNews"));

  // Group boxes are frames only: keep them under the controls they surround.
  leftFrame->lower();
  slotFrame->lower();

  // Tab goes in reading order; what only shows is reached by the mouse.
  QWidget::setTabOrder(portSelector, startButton);
  QWidget::setTabOrder(startButton, stopButton);
  QWidget* last = slotPanel.ChainFocus(stopButton);
  for (QWidget* next :
       {static_cast<QWidget*>(roundingSelector), static_cast<QWidget*>(printButton),
        static_cast<QWidget*>(signalCheck), static_cast<QWidget*>(chooseFolderButton),
        static_cast<QWidget*>(openFolderButton)}) {
    QWidget::setTabOrder(last, next);
    last = next;
  }
  monitor->setFocusPolicy(Qt::ClickFocus);
  logFolderBox->setFocusPolicy(Qt::ClickFocus);
  // Alt and the underlined letter; the stop key is no Escape, which never
  // ends a reading.
  startButton->setText(QString::fromUtf8("&Чтение"));
  stopButton->setText(QString::fromUtf8("&Завершить"));
  printButton->setText(QString::fromUtf8("&Печать"));
  chooseFolderButton->setText(QString::fromUtf8("П&апка…"));
  stopButton->setToolTip(QString::fromUtf8("Завершить чтение (%1)")
                             .arg(QKeySequence(kStopKey).toString(QKeySequence::NativeText)));
  auto* stopKey = new QShortcut(QKeySequence(kStopKey), this);
  stopKey->setContext(Qt::WindowShortcut);
  connect(stopKey, &QShortcut::activated, this, [this] {
    if (session.IsReading()) OnStop();
  });

  connect(startButton, &QPushButton::clicked, this, &DataReceiving::OnStart);
  connect(stopButton, &QPushButton::clicked, this, &DataReceiving::OnStop);
  connect(printButton, &QPushButton::clicked, this, &DataReceiving::OnPrint);
  connect(signalCheck, &QCheckBox::clicked, this, &DataReceiving::OnSignalCheck);
}

void DataReceiving::OnInitPage() {
  slotPanel.FillWindowSelectors([this](int slot, int index) { OnWindowSelected(slot, index); });
  roundingSelector->addItem(UiText(strings::kOneSecond));
  roundingSelector->addItem(UiText(strings::kTenSeconds));
  roundingSelector->setCurrentIndex(0);
  session.statistics.ResetStatistics();
  stopButton->setEnabled(false);
  beepOnEighth = false;
  // The settings say where the log folder and with it tx.txt are.
  LoadPortSetting();
  LoadTransmitterList();
  // Connected after the stored port is shown, so showing it writes nothing.
  connect(portSelector, &QComboBox::currentIndexChanged, this, &DataReceiving::OnPortSelected);
}

void DataReceiving::LoadTransmitterList() {
  const TransmitterList list = transmitters.Load(logFolder.FsPath());
  ShowTransmitters(list.numbers);
  // Told once the window is up; the page is usable with the numbers read.
  if (transmitters.Damaged()) {
    const QString problem =
        QString::fromUtf8(
            "Список передатчиков прочитан не полностью; номера после ошибки "
            "не загружены. При выходе файл будет сохранён как tx.txt.bad.\n\n") +
        SystemText(list.problem);
    QTimer::singleShot(0, this, [this, problem] { ShowError(problem); });
  }
}

void DataReceiving::ShowTransmitters(const std::vector<std::string>& numbers) {
  slotPanel.ShowNumbers(numbers);
}

void DataReceiving::SaveTransmitterList() {
  const TransmitterStore::SaveProblem problem = transmitters.Save(slotPanel.Numbers());
  if (!problem) return;
  ShowError(QString::fromUtf8(problem.keptAside
                                  ? "Список передатчиков не сохранён.\n\n"
                                  : "Список передатчиков не сохранён: повреждённый файл не "
                                    "удаётся отложить.\n\n") +
            SystemText(problem.detail));
}

void DataReceiving::LoadPortSetting() {
  const PageSettings::Said said = settings->Load();
  if (!said.text.isEmpty()) {
    QTimer::singleShot(0, this, [this, said] {
      if (said.error) {
        ShowError(said.text);
      } else {
        showNotice(said.text);
      }
    });
  }
  ShowLogFolder();
  UpdateStatus();
}

void DataReceiving::SavePortSetting() {
  if (const PageSettings::Said said = settings->Save(); !said.text.isEmpty()) ShowError(said.text);
}

void DataReceiving::OnPortSelected(int index) {
  if (index < 0) return;
  UpdateStatus();
  SavePortSetting();
}

void DataReceiving::UseDevice(const std::string& path) {
  portChooser->UseForThisRun(path);
  UpdateStatus();
}

std::string DataReceiving::ChosenDevice() const { return portChooser->DevicePath(); }

int DataReceiving::ComPort() const { return portChooser->ComPort(); }

void DataReceiving::ShowLogFolder() {
  logFolderBox->setText(logFolder.Path());
  logFolderBox->setToolTip(QString::fromUtf8("Папка журналов и списка передатчиков:\n") +
                           logFolder.Path());
  // The end of the path names the folder; the box is narrower than most.
  logFolderBox->setCursorPosition(static_cast<int>(logFolder.Path().size()));
}

void DataReceiving::SetLogFolder(const QString& folder) {
  logFolder.Set(folder);
  ShowLogFolder();
  SavePortSetting();
  // The logs and the transmitter list stay together: a list already there
  // is the one to follow.
  if (!session.IsReading() && std::filesystem::exists(logFolder.FsPath() / "tx.txt")) {
    LoadTransmitterList();
  }
}

void DataReceiving::OnChooseLogFolder() {
  const QString chosen = chooseFolder(logFolder.Path());
  if (!chosen.isEmpty()) SetLogFolder(chosen);
}

void DataReceiving::OnOpenLogFolder() {
  // Made first, so that the file manager has something to show.
  const QString problem = logFolder.Prepare();
  if (!problem.isEmpty()) {
    ShowError(problem);
    return;
  }
  if (!openFolder(logFolder.Path())) {
    ShowError(QString::fromUtf8("Не удаётся открыть папку в файловом менеджере.\n\n") +
              logFolder.Path());
  }
}

void DataReceiving::LockControls() {
  startButton->setEnabled(false);
  roundingSelector->setEnabled(false);
  printButton->setEnabled(false);
  portSelector->setEnabled(false);
  chooseFolderButton->setEnabled(false);
  stopButton->setEnabled(true);
}

void DataReceiving::UnlockControls() {
  startButton->setEnabled(true);
  stopButton->setEnabled(false);
  roundingSelector->setEnabled(true);
  printButton->setEnabled(true);
  portSelector->setEnabled(true);
  chooseFolderButton->setEnabled(true);
}

void DataReceiving::OnStart() {
  if (session.IsReading()) return;
  // Said before anything changes: the page stays as it is. A folder on a
  // store that does not answer must not hold the window.
  const std::optional<std::string> prepared = CallWithin<std::string>(
      session.logCreateTimeout,
      [folder = logFolder.FsPath()] { return LogFolder::PrepareFolder(folder); });
  if (!prepared) {
    ShowError(LogFolderHungText(logFolder.Path()));
    return;
  }
  if (!prepared->empty()) {
    ShowError(logFolder.UnusableText(*prepared));
    return;
  }
  session.logDir = logFolder.FsPath();
  ++runNumber;
  emit LineStateChanged(false, QString());
  emit LogNoteChanged(QString());
  for (int k = 0; k < kSlotCount; ++k) {
    slotPanel.SetColumnText(k, "");
    slotPanel.SetLastLineText(k, "");
  }
  session.statistics.ResetStatistics();
  LockControls();
  alarm->End();
  alarm->ApplyLimits();
  const ReadingSession::StartResult result = session.Start(portChooser->DevicePath());
  FlushDisplay();
  UpdateStatus();
  switch (result) {
    case ReadingSession::StartResult::kStarted:
      statusTimer->start();
      alarm->Check(true);
      return;
    case ReadingSession::StartResult::kPortFailed:
      // Busy in the words the users know; missing, forbidden or refused
      // in their own, with the device and the system's reason under them.
      ShowError(SystemText(RussianMessage(session.port.LastProblem())));
      // The rounding selector and Print stay locked until the next Stop.
      startButton->setEnabled(true);
      stopButton->setEnabled(false);
      portSelector->setEnabled(true);
      chooseFolderButton->setEnabled(true);
      return;
    case ReadingSession::StartResult::kLogFolderHung:
      ShowError(LogFolderHungText(logFolder.Path()));
      UnlockControls();
      return;
    case ReadingSession::StartResult::kLogFailed:
    case ReadingSession::StartResult::kThreadFailed:
      ShowError(QString::fromUtf8(result == ReadingSession::StartResult::kLogFailed
                                      ? "Не удаётся создать файл журнала; чтение не начато. "
                                        "Проверьте, что папка журналов есть и доступна для записи."
                                      : "Не удаётся начать чтение.") +
                QStringLiteral("\n\n") + SystemText(session.LastError()));
      UnlockControls();
      return;
  }
}

void DataReceiving::OnStop() { FinishReading(std::nullopt); }

void DataReceiving::StopAndKeep() {
  if (finishing && session.IsReading()) {
    // Stop's question is open: the run ends kept whatever it is answered.
    session.Finish(true);
    return;
  }
  FinishReading(true);
}

void DataReceiving::FinishReading(std::optional<bool> keep) {
  if (!session.IsReading() || finishing) return;
  finishing = true;
  session.Halt();
  FlushDisplay();
  // Nothing is read while the question is open: the status says so.
  UpdateStatus();
  const bool kept = keep ? *keep : askSaveFiles();
  // An end signal during the question may have finished the run already.
  if (session.IsReading()) {
    session.Finish(kept);
    if (!kept) status->LogDeleted();
  }
  finishing = false;
  ++runNumber;
  FlushDisplay();
  UnlockControls();
  // The disabled Stop gave up the focus: Start takes it, not a box.
  startButton->setFocus(Qt::OtherFocusReason);
  // Nothing is watched between runs.
  alarm->End();
  status->LineBack();
  statusTimer->stop();
  UpdateStatus();
  emit LineStateChanged(false, QString());
  emit LogNoteChanged(QString());
  // A stalled disk must not hold the window: the file is finished in the
  // background, and the user is told so.
  if (!session.WaitForLogs(std::chrono::milliseconds(300))) {
    showNotice(
        QString::fromUtf8("Журнал ещё записывается на диск; запись завершится в фоне.\n"
                          "Не выключайте компьютер и не отключайте диск."));
  }
}

void DataReceiving::OnClosePage() { StopAndKeep(); }

void DataReceiving::OnSignalCheck() { beepOnEighth = signalCheck->isChecked(); }

void DataReceiving::OnBeep() { playTones(); }

void DataReceiving::OnRedraw(QWidget* window) {
  if (window == nullptr) return;
  window->update();
  window->repaint();
}

void DataReceiving::OnClearColumn(int slot) {
  session.presenter.ClearColumn(session.statistics, slot);
  FlushDisplay();
}

void DataReceiving::OnWindowSelected(int slot, int index) {
  session.statistics.SelectWindow(slot, index);
}

void DataReceiving::OnPrint() {
  QPrinter printer;
  if (!choosePrinter(printer)) return;
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QFontMetrics metrics = painter.fontMetrics();
  const int cw = metrics.averageCharWidth();
  const int lh = metrics.height();
  for (const PrintedText& text :
       SlotPrintout(session.statistics, roundingSelector->currentIndex(), cw, lh)) {
    painter.drawText(text.x, text.y + metrics.ascent(), QString::fromStdString(text.text));
  }
  painter.end();
}

QWidget* DataReceiving::Control(int id) const {
  return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

void DataReceiving::ShowError(const QString& text) { showError(text); }

void DataReceiving::DrainLines() {
  // A slice of the event loop at a time, so that a flood of lines cannot
  // keep the window from painting and answering; the rest comes next turn.
  const bool more = session.DrainLines(kDrainSlice);
  alarm->TakeHeard(session.IsReading());
  // In a flood the screen is brought up to date a few times a second, not
  // after every slice: laying out and painting the texts would take the
  // loop's time.
  const auto now = std::chrono::steady_clock::now();
  if (now - lastFlush >= kDisplayInterval) {
    FlushDisplay();
    lastFlush = now;
  } else if (!flushTimer->isActive()) {
    flushTimer->start(
        std::chrono::ceil<std::chrono::milliseconds>(lastFlush + kDisplayInterval - now));
  }
  // The rest comes from a timer, not a posted call: posted events go before
  // timers, so a call that posts itself again would starve every timer of
  // the window for as long as the flood lasts.
  if (more) drainTimer->start();
}

void DataReceiving::FlushDisplay() {
  if (monitorClearPending) {
    monitor->clear();
    monitorClearPending = false;
  }
  if (!pendingMonitor.isEmpty()) {
    QTextCursor cursor = monitor->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(pendingMonitor);
    monitor->setTextCursor(cursor);
    monitor->ensureCursorVisible();
    pendingMonitor.clear();
  }
  slotPanel.Show();
}

void DataReceiving::ClearMonitor() {
  pendingMonitor.clear();
  monitorClearPending = true;
}

void DataReceiving::AppendMonitor(std::string_view stampedLine) {
  pendingMonitor += FromBytes(stampedLine);
}

void DataReceiving::Counted(unsigned counted) {
  if (beepOnEighth && (counted & (1u << 7)) != 0) OnBeep();
}

// Called on the reader's and the log writer's threads: handed to the page's
// own through the inbox.
void DataReceiving::PostForRun(std::function<void()> work) {
  const int run = runNumber;
  inbox->Post([this, run, work = std::move(work)] {
    if (run == runNumber) work();
  });
}

void DataReceiving::LinesReady() {
  // One slice per event-loop turn, from the drain timer: draining here too
  // would run one slice per hand-over in a single turn of the loop.
  if (drainRequested.exchange(true)) return;
  inbox->Post([this] {
    drainRequested = false;
    if (!drainTimer->isActive()) drainTimer->start();
  });
}

void DataReceiving::LineLost(const std::string& reason) {
  // The title names the device; the system's English reason is for the
  // console, which prints it.
  static_cast<void>(reason);
  PostForRun([this] {
    status->LineLost(clock.Now());
    UpdateStatus();
    emit LineStateChanged(true, QFile::decodeName(session.port.DevicePath().c_str()));
  });
}

void DataReceiving::LineBack(const std::string& deviceChange) {
  PostForRun([this, deviceChange] {
    status->LineBack();
    UpdateStatus();
    emit LineStateChanged(false, QString());
    if (!deviceChange.empty()) {
      showNotice(DeviceChangedNotice(QFile::decodeName(session.port.DevicePath().c_str()),
                                     QString::fromStdString(deviceChange)));
    }
  });
}

void DataReceiving::LogWriteFailed(const std::string& reason) {
  PostForRun([this, reason] {
    emit LogNoteChanged(QString::fromUtf8("журнал не записывается"));
    showNotice(LogWriteFailedNotice(reason));
  });
}

void DataReceiving::LogWriteResumed(std::int64_t lostLines) {
  PostForRun([this, lostLines] {
    emit LogNoteChanged(QString());
    showNotice(LogWriteResumedNotice(lostLines));
  });
}

void DataReceiving::LogRecreated(const std::filesystem::path& newPath, std::int64_t missingLines,
                                 const std::string& reason) {
  PostForRun([this, newPath, missingLines, reason] {
    status->LogMoved(newPath);
    session.LogMoved(newPath);
    UpdateStatus();
    emit LogNoteChanged(QString::fromUtf8("журнал был удалён, создан заново"));
    showNotice(LogRecreatedNotice(newPath, missingLines, reason));
  });
}

void DataReceiving::LogRecreateFailed(const std::string& reason) {
  PostForRun([this, reason] {
    emit LogNoteChanged(QString::fromUtf8("журнал удалён"));
    showNotice(LogRecreateFailedNotice(reason));
  });
}

void DataReceiving::LogFinished(const LogOutcome& outcome) {
  if (outcome.Complete()) return;
  // Said even when the next run has begun: it is about the file just closed.
  inbox->Post([this, outcome] { showNotice(LogEndNotice(outcome)); });
}

void DataReceiving::RunStarted(const std::filesystem::path& logPath, std::int64_t) {
  status->RunStarted(logPath);
}

void DataReceiving::Received(const Reception& line) { status->Received(line.time); }

void DataReceiving::OnSilenceSelected(int slot, int minutes) {
  static_cast<void>(minutes);
  SavePortSetting();
  if (session.IsReading()) alarm->LimitChanged(slot);
}

void DataReceiving::CheckSilence() { alarm->Check(session.IsReading()); }

bool DataReceiving::SlotInAlarm(int slot) const { return slotPanel.HasAlarm(slot); }

QString DataReceiving::SilenceNews() const { return alarm->News(); }

QString DataReceiving::StatusText() const {
  const StatusLine::State state = !session.IsReading() ? StatusLine::State::kStopped
                                  : finishing          ? StatusLine::State::kEnding
                                                       : StatusLine::State::kReading;
  return status->Text(ChosenDevice(), ComPort(), state);
}

void DataReceiving::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!layout) return;
  layout->Apply(size());
  // The status line is shortened to its new width.
  status->Show(StatusText(), true);
}

void DataReceiving::UpdateStatus() {
  status->Show(StatusText());
  if (session.IsReading()) alarm->RefreshNote();
}
