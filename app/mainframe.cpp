#include "mainframe.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QTabBar>

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
  setFixedSize(dialogunits::X(658), dialogunits::Y(447));

  tabControl = new QWidget(this);
  tabControl->setObjectName(QStringLiteral("225"));
  tabControl->setProperty("controlId", 225);
  tabControl->setGeometry(dialogunits::Rect(0, 0, 656, 444));
  tabBar = new QTabBar(tabControl);
  tabBar->setDrawBase(true);
  tabBar->setGeometry(0, 0, tabControl->width(), kPageOffset.y());
  readingPage = new DataReceiving(tabControl, &clock);
#ifdef DELVARINE_HAVE_GRAPH_PAGE
  graphPage = new Graphic(tabControl);
#else
  graphPage = new QWidget(tabControl);
#endif
  OnInitDialog();
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
  connect(readingPage, &DataReceiving::LineStateChanged, this, &MainFrame::ShowLineState);

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
  readingPage->SaveTransmitterList();
  readingPage->OnClosePage();
  done(0);
}

void MainFrame::EndOnSignal() {
  readingPage->StopAndKeep();
  OnClose();
}

void MainFrame::ShowLineState(bool lost, const QString& reason) {
  // The title says when the line is gone, and stops saying it once it is back.
  setWindowTitle(lost ? title + QString::fromUtf8(" — нет связи: ") + reason : title);
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
