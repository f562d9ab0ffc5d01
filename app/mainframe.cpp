#include "mainframe.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include "datareceiving.h"
#include "dialogunits.h"
#ifdef DELVARINE_HAVE_GRAPH_PAGE
#include "graphic.h"
#endif
#include "stringtable.h"
#include "textformat.h"
#include "uitext.h"

namespace {

// Where the pages stand in the tab control, below the tab headers (pixels).
constexpr QPoint kPageOffset(2, 25);

}  // namespace

MainFrame::MainFrame(const Clock* timeSource, QWidget* parent)
    : QDialog(parent), clock(timeSource != nullptr ? *timeSource : systemClock) {
  setObjectName(QStringLiteral("202"));
  setWindowTitle(QString::fromUtf8("Считыватель RS-232"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);

  // The tab control at its natural size, in a scroll area: a screen smaller
  // than the window still reaches everything; a larger window gives the room
  // to the pages.
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("pageScroll"));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  tabControl = new QWidget;
  tabControl->setObjectName(QStringLiteral("225"));
  tabControl->setProperty("controlId", 225);
  tabControl->setMinimumSize(dialogunits::X(656), dialogunits::Y(481));
  tabControl->installEventFilter(this);
  scroll->setWidget(tabControl);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
  tabBar = new QTabBar(tabControl);
  tabBar->setDrawBase(true);
  tabBar->setGeometry(0, 0, tabControl->width(), kPageOffset.y());
  readingPage = new DataReceiving(tabControl, &clock);
#ifdef DELVARINE_HAVE_GRAPH_PAGE
  auto* graphic = new Graphic(tabControl);
  // "Открыть" starts where the readings are written.
  graphic->logFolder = [this] { return readingPage->LogFolderPath(); };
  // The page's live picture hears the reading's lines; the reading page goes
  // first (it was made first), so its session never outlives the bins.
  readingPage->AddReceptionListener(graphic->Live());
  graphPage = graphic;
#else
  graphPage = new QWidget(tabControl);
#endif
  naturalPageSizes = {readingPage->size(), graphPage->size()};
  OnInitDialog();
  // The natural size where the screen has room for it.
  QSize size(dialogunits::X(658), dialogunits::Y(484));
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    // The title bar and the frame take their part of the screen too.
    const QSize room = screen->availableSize() - QSize(16, 48);
    size = size.boundedTo(room);
  }
  resize(size);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tabControl && event->type() == QEvent::Resize) {
    // The pages take what the tab control has beyond its natural size.
    const QSize extra = tabControl->size() - tabControl->minimumSize();
    tabBar->setGeometry(0, 0, tabControl->width(), kPageOffset.y());
    readingPage->resize(naturalPageSizes[0] + extra.expandedTo(QSize(0, 0)));
    graphPage->resize(naturalPageSizes[1] + extra.expandedTo(QSize(0, 0)));
  }
  return QDialog::eventFilter(watched, event);
}

MainFrame::~MainFrame() {
  // A reading still running ends before any page goes away.
  readingPage->OnClosePage();
}

void MainFrame::OnInitDialog() {
  tabBar->insertTab(0, UiText(strings::kReadingTab));
  tabBar->insertTab(1, UiText(strings::kGraphTab));
  for (QWidget* page : {static_cast<QWidget*>(readingPage), graphPage}) {
    page->move(kPageOffset);
    page->raise();
    page->hide();
  }
  currentPage = readingPage;
  currentPage->show();
  tabBar->setCurrentIndex(0);
  connect(tabBar, &QTabBar::currentChanged, this, &MainFrame::OnTabSelChange);
  // Ctrl+Tab and Ctrl+PgDn to the next page, Ctrl+Shift+Tab and Ctrl+PgUp back.
  const auto turn = [this](int step) {
    tabBar->setCurrentIndex((tabBar->currentIndex() + step + tabBar->count()) % tabBar->count());
  };
  for (const auto& [keys, step] :
       {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, [turn, step = step] { turn(step); });
  }
  connect(readingPage, &DataReceiving::LineStateChanged, this, &MainFrame::ShowLineState);
  connect(readingPage, &DataReceiving::LogNoteChanged, this, &MainFrame::ShowLogNote);
  connect(readingPage, &DataReceiving::SilenceNoteChanged, this, [this](const QString& note) {
    silenceNote = note;
    ShowTitle();
  });

  const LocalTime now = clock.Now();
  title = QStringLiteral("Delvarine ") + QString::fromStdString(PaddedNumber(now.month, 2)) +
          QLatin1Char('.') + QString::fromStdString(PaddedNumber(now.day, 2));
  setWindowTitle(title);
}

void MainFrame::OnTabSelChange() {
  currentPage->hide();
  switch (tabBar->currentIndex()) {
    case 0:
      currentPage = readingPage;
      break;
    case 1:
      currentPage = graphPage;
      break;
    default:
      break;
  }
  currentPage->show();
}

void MainFrame::OnClose() {
  // The reading ends first, so that tx.txt is saved with the numbers it used.
  readingPage->OnClosePage();
  readingPage->SaveTransmitterList();
  done(0);
}

void MainFrame::EndOnSignal() {
  // The run ends now, kept, even while Stop's question is open.
  readingPage->StopAndKeep();
  // Every dialog and menu open over the window is closed, each as its own
  // safe answer; their loops unwind before the window's own ends.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget != this && widget->isVisible()) widget->close();
  }
  QTimer::singleShot(0, this, [this] { OnClose(); });
}

void MainFrame::ShowLineState(bool lost, const QString& reason) {
  // The title says when the line is gone, and stops saying it once it is back.
  lineNote = lost ? QString::fromUtf8("нет связи: ") + reason : QString();
  ShowTitle();
}

void MainFrame::ShowLogNote(const QString& note) {
  logNote = note;
  ShowTitle();
}

void MainFrame::ShowTitle() {
  QString text = title;
  for (const QString& note : {lineNote, logNote, silenceNote}) {
    if (!note.isEmpty()) text += QString::fromUtf8(" — ") + note;
  }
  setWindowTitle(text);
}

void MainFrame::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnClose();
}

void MainFrame::keyPressEvent(QKeyEvent* event) {
  // Escape does not close the window; only the close request does.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}
