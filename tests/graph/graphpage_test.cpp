// The graph page driven through its widgets on the offscreen platform.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>

#include "../undertsan.h"
#include "dialogunits.h"
#include "graphic.h"
#include "logfile.h"
#include "paintgraphic.h"
#include "textformat.h"

class GraphPageTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir;
  QString logPath;

  template <typename Widget>
  static Widget* Control(Graphic& page, int id) {
    auto* widget = qobject_cast<Widget*>(page.Control(id));
    if (widget == nullptr) qFatal("no control %d", id);
    return widget;
  }

  static QLabel* Label(Graphic& page, const char* text) {
    for (QLabel* label : page.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (label->text() == QString::fromUtf8(text)) return label;
    }
    qFatal("no label %s", text);
  }

  // A log of the reading page: 10:00 to 10:29, six receptions a minute of
  // transmitter 1234 (level 'A') and one of 0A642 in the long form.
  void WriteLog() {
    logPath = dir.filePath("2026.03.01_10-00-00.txt");
    std::ofstream log(logPath.toStdString(), std::ios::binary);
    log << "Start\r\n";
    for (int minute = 0; minute < 30; ++minute) {
      for (int second = 0; second < 60; second += 10) {
        log << FormatLogLine(TimeStamp({2026, 3, 1, 10, minute, second, 0}) + "P1234567A\r\n");
      }
      log << FormatLogLine(TimeStamp({2026, 3, 1, 10, minute, 30, 500}) + "P0A642AB12CD3459\r\n");
    }
    log << "End\r\n    1234    \r\n";
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    WriteLog();
  }

  void controlsStandAtTheirTemplatePlaces() {
    Graphic page;
    QCOMPARE(page.size(), QSize(dialogunits::X(642), dialogunits::Y(403)));
    QCOMPARE(page.font().pixelSize(), dialogunits::kFontPixelSize);
    struct Place {
      int id;
      int x, y, width, height;
      const char* text;
    };
    const Place places[] = {
        {232, 584, 21, 44, 14, "Открыть"},    {241, 584, 52, 47, 14, "0A642"},
        {242, 584, 81, 47, 12, "00:00"},      {243, 585, 116, 46, 12, "23:59"},
        {245, 586, 164, 50, 14, "Построить"}, {247, 585, 218, 50, 14, "Печать"},
        {261, 588, 277, 40, 14, ""},
    };
    for (const Place& place : places) {
      QWidget* control = page.Control(place.id);
      QVERIFY2(control != nullptr, qPrintable(QString::number(place.id)));
      QCOMPARE(control->geometry(), dialogunits::Rect(place.x, place.y, place.width, place.height));
      QCOMPARE(control->property("controlId").toInt(), place.id);
      // The transmitter is an editable list: typed, or one of the log's.
      const QString text =
          qobject_cast<QPushButton*>(control) ? qobject_cast<QPushButton*>(control)->text()
          : qobject_cast<QComboBox*>(control) ? qobject_cast<QComboBox*>(control)->currentText()
                                              : qobject_cast<QLineEdit*>(control)->text();
      QCOMPARE(text, QString::fromUtf8(place.text));
    }
    // The lists: their place and width; the closed box is one line high.
    for (const Place& place :
         {Place{244, 585, 144, 53, 0, nullptr}, Place{246, 586, 196, 48, 0, nullptr},
          Place{249, 587, 248, 44, 0, nullptr}}) {
      QWidget* list = page.Control(place.id);
      QCOMPARE(list->pos(), QPoint(dialogunits::X(place.x), dialogunits::Y(place.y)));
      QCOMPARE(list->width(), dialogunits::X(place.width));
    }
    QCOMPARE(Label(page, "Передатчик")->geometry(), dialogunits::Rect(583, 42, 41, 8));
    QCOMPARE(Label(page, "Первый прием")->geometry(), dialogunits::Rect(585, 71, 51, 8));
    QCOMPARE(Label(page, "Последний прием")->geometry(), dialogunits::Rect(584, 98, 47, 17));
    QCOMPARE(Label(page, "Дискретность")->geometry(), dialogunits::Rect(586, 134, 50, 8));
    QCOMPARE(Label(page, "Макс. TX")->geometry(), dialogunits::Rect(586, 186, 32, 8));
    QCOMPARE(Label(page, "Шрифт")->geometry(), dialogunits::Rect(591, 238, 24, 8));
    QCOMPARE(Label(page, "TX/min")->geometry(), dialogunits::Rect(589, 267, 24, 8));
    // The invisible placeholder gives the drawing window its size, at the page's corner.
    QWidget* placeholder = page.Control(233);
    QCOMPARE(placeholder->geometry(), dialogunits::Rect(14, 0, 578, 396));
    QVERIFY(placeholder->isHidden());
    QCOMPARE(page.Drawing().geometry(), QRect(QPoint(0, 0), placeholder->size()));
  }

  void listsHoldTheirItemsAndInitialChoices() {
    Graphic page;
    const auto items = [&](int id) {
      QStringList texts;
      auto* list = Control<QComboBox>(page, id);
      for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
      return texts;
    };
    QCOMPARE(items(244), QString::fromUtf8("1 мин.|2 мин.|3 мин.|5 мин.|10 мин.").split('|'));
    QCOMPARE(items(246), QStringLiteral("1|10|20|30|60|120").split('|'));
    QCOMPARE(items(249), QString::fromUtf8("Норм.|Уменьш.").split('|'));
    QCOMPARE(Control<QComboBox>(page, 244)->currentIndex(), 0);
    QCOMPARE(Control<QComboBox>(page, 246)->currentText(), QStringLiteral("30"));
    QCOMPARE(Control<QComboBox>(page, 249)->currentIndex(), 0);
    // What the lists stand for.
    Control<QComboBox>(page, 244)->setCurrentIndex(3);
    Control<QComboBox>(page, 246)->setCurrentIndex(5);
    const GraphSettings settings = page.Settings();
    QCOMPARE(settings.intervalMinutes, 5);
    QCOMPARE(settings.maxTx, 120);
    QCOMPARE(QString::fromStdString(settings.intervalText), QString::fromUtf8("5 мин."));
  }

  void drawingWindowStaysHiddenUntilARepaintRequest() {
    Graphic page;
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QVERIFY(!page.Drawing().isVisible());
    // A change of the scale alone redraws but does not show the window.
    Control<QComboBox>(page, 246)->setCurrentIndex(1);
    QVERIFY(!page.Drawing().isVisible());
    QTest::mouseClick(Control<QPushButton>(page, 245), Qt::LeftButton);
    QVERIFY(page.Drawing().isVisible());
    // Nothing loaded: white ground, nothing drawn, TX/min untouched.
    QVERIFY(!page.Drawing().Picture().drawn);
    QCOMPARE(page.Drawing().Image().pixelColor(100, 100), QColor(Qt::white));
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QString());
    // The interval list and the font list are repaint requests as well.
    for (int id : {244, 249}) {
      Graphic other;
      other.show();
      Control<QComboBox>(other, id)->setCurrentIndex(1);
      QVERIFY2(other.Drawing().isVisible(), qPrintable(QString::number(id)));
    }
  }

  void openLoadsTheChosenLogAndDraws() {
    Graphic page;
    page.show();
    int asked = 0;
    page.chooseLogFile = [&](const QString&) {
      ++asked;
      return logPath;
    };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:30"));
    QTest::mouseClick(Control<QPushButton>(page, 232), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(page.Drawing().isVisible());
    const GraphData& data = page.Model().Data();
    QCOMPARE(data.spanMinutes, 30);
    QCOMPARE(data.receptionTotal, 180);
    QCOMPARE(int(data.receptionCounts[0]), 6);
    QCOMPARE(data.peakLevels[29], 10.0);
    QCOMPARE(QString::fromStdString(data.firstText), QStringLiteral("10:00"));
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QStringLiteral("6"));
    // The window shows the off-screen image: 6 a minute on a scale of 30 is
    // 40 px, bars of 800 / 30 px in the plot colour.
    const QImage& image = page.Drawing().Image();
    QCOMPARE(image.size(), page.Drawing().size() - QSize(2, 2));
    QCOMPARE(image.pixelColor(40, 220), QColor(50, 0, 255));
    QCOMPARE(image.pixelColor(50, 190), QColor(Qt::white));
    // The average line, 6 a minute, drawn over the bars' tops.
    QCOMPARE(image.pixelColor(50, 200), QColor(Qt::black));
    const QImage shown = page.Drawing().grab().toImage();
    QCOMPARE(shown.pixelColor(41, 221), QColor(50, 0, 255));

    // "Построить" applies a changed time: the picture says what the fields say.
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("11:00"));
    QTest::mouseClick(Control<QPushButton>(page, 245), Qt::LeftButton);
    QCOMPARE(page.Model().Data().spanMinutes, 60);

    // The five-character identifier of the long form.
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("0A642"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:30"));
    QTest::mouseClick(Control<QPushButton>(page, 232), Qt::LeftButton);
    QCOMPARE(page.Model().Data().receptionTotal, 30);
    QCOMPARE(page.Model().Data().peakLevels[0], 9.0);
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QStringLiteral("1"));
  }

  void fontListSelectsTheSmallFont() {
    Graphic page;
    page.show();
    page.chooseLogFile = [&](const QString&) { return logPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    page.OnOpen();
    QCOMPARE(page.Drawing().Picture().font, GraphFont::kNormal);
    const QImage normal = page.Drawing().Image();
    Control<QComboBox>(page, 249)->setCurrentIndex(1);
    QCOMPARE(page.Settings().font, GraphFont::kSmall);
    QCOMPARE(page.Drawing().Picture().font, GraphFont::kSmall);
    QVERIFY(page.Drawing().Image() != normal);
    Control<QComboBox>(page, 249)->setCurrentIndex(0);
    QCOMPARE(page.Drawing().Image(), normal);
  }

  void intervalAndScaleRedrawTheBars() {
    Graphic page;
    page.show();
    page.chooseLogFile = [&](const QString&) { return logPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:30"));
    page.OnOpen();
    // Scale 10: 6 a minute is 120 px high.
    Control<QComboBox>(page, 246)->setCurrentIndex(1);
    QCOMPARE(page.Drawing().Image().pixelColor(40, 121), QColor(50, 0, 255));
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QStringLiteral("6"));
    // Two minutes a bar: every 4th bar labelled, 0 and 8 minutes apart.
    Control<QComboBox>(page, 244)->setCurrentIndex(1);
    QStringList labels;
    for (const auto& item : page.Drawing().Picture().items) {
      if (const auto* text = std::get_if<PictureText>(&item); text && text->y == 250) {
        labels << QString::fromStdString(text->text);
      }
    }
    QCOMPARE(labels, QStringLiteral("0|8|16|24").split('|'));
  }

  void cancelledDialogKeepsTheGraphAndUnreadableLogsSaySo() {
    Graphic page;
    page.show();
    page.logFolder = [&] { return dir.path() + "/logs"; };
    QStringList folders;
    page.chooseLogFile = [&](const QString& folder) {
      folders << folder;
      return logPath;
    };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    page.OnOpen();
    QVERIFY(page.Drawing().Picture().drawn);
    // Cancelled: the graph shown stays, and the dialog started where the last log is.
    page.chooseLogFile = [&](const QString& folder) {
      folders << folder;
      return QString();
    };
    QTest::mouseClick(Control<QPushButton>(page, 232), Qt::LeftButton);
    QCOMPARE(folders, QStringList({dir.path() + "/logs", dir.path()}));
    QCOMPARE(page.Model().Data().spanMinutes, 1439 - 600);
    QVERIFY(page.Drawing().Picture().drawn);
    // A name that does not exist: a clear message, nothing created, nothing drawn.
    QStringList errors;
    page.showError = [&](const QString& text) { errors << text; };
    page.chooseLogFile = [&](const QString&) { return dir.filePath("missing.txt"); };
    page.OnOpen();
    QVERIFY(!QFile::exists(dir.filePath("missing.txt")));
    QCOMPARE(page.Model().Data().spanMinutes, 0);
    QCOMPARE(errors.size(), 1);
    // The system's reason in Russian, its own words kept.
    QVERIFY2(errors[0].startsWith(QString::fromUtf8("Журнал не загружен.\n\nне удаётся открыть ") +
                                  dir.filePath("missing.txt") +
                                  QString::fromUtf8(": нет такого файла или папки (No such file")),
             qPrintable(errors[0]));
  }

  void timesAsUsersTypeThemAndTextThatIsNoTimeIsSaid() {
    Graphic page;
    QStringList errors;
    page.showError = [&](const QString& text) { errors << text; };
    int asked = 0;
    page.chooseLogFile = [&](const QString&) {
      ++asked;
      return logPath;
    };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10.05"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:15"));
    page.OnOpen();
    QCOMPARE(QString::fromStdString(page.Model().Data().firstText), QStringLiteral("10:05"));
    QCOMPARE(page.Model().Data().spanMinutes, 10);
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("утро"));
    page.OnOpen();
    QCOMPARE(asked, 1);
    QCOMPARE(errors.size(), 1);
    QCOMPARE(errors[0], QString::fromUtf8("Время «утро» не понято. Введите время как 09:30."));
    // The graph shown stays.
    QCOMPARE(page.Model().Data().spanMinutes, 10);
  }

  void transmittersOfTheLogAreOfferedAndAMissOrAnEmptyWindowIsSaid() {
    Graphic page;
    page.show();
    page.chooseLogFile = [&](const QString&) { return logPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("9999"));
    page.OnOpen();
    auto* transmitters = Control<QComboBox>(page, 241);
    QCOMPARE(transmitters->count(), 2);
    QCOMPARE(transmitters->itemText(0), QStringLiteral("1234"));
    QCOMPARE(transmitters->itemText(1), QStringLiteral("0A642"));
    QCOMPARE(transmitters->currentText(), QStringLiteral("9999"));
    // Said where the graphs would be, with what the log holds; TX/min 0.
    const auto shownTexts = [&] {
      QStringList texts;
      for (const auto& item : page.Drawing().Picture().items) {
        if (const auto* text = std::get_if<PictureText>(&item)) {
          texts << QString::fromStdString(text->text);
        }
      }
      return texts;
    };
    QCOMPARE(shownTexts(), QStringList({QString::fromUtf8("Передатчика «9999» в журнале нет."),
                                        QString::fromUtf8("В журнале: 1234 (180), 0A642 (30).")}));
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QStringLiteral("0"));

    // Chosen from the list, then F5 loads the same log again: an empty window.
    transmitters->setCurrentIndex(0);
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("11:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("12:00"));
    QTest::keyClick(&page, Qt::Key_F5);
    QCOMPARE(page.Model().Data().transmitter, std::string("1234"));
    QCOMPARE(page.Model().Data().spanMinutes, 0);
    QCOMPARE(shownTexts().value(0),
             QString::fromUtf8("С 11:00 до 12:00 приёмов передатчика «1234» нет."));

    // Enter in a field, and "Построить", apply the transmitter and the times.
    transmitters->setCurrentIndex(1);
    QTest::keyClick(Control<QLineEdit>(page, 242), Qt::Key_Return);
    QCOMPARE(page.Model().Data().transmitter, std::string("0A642"));
    transmitters->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    QTest::mouseClick(Control<QPushButton>(page, 245), Qt::LeftButton);
    QCOMPARE(page.Model().Data().transmitter, std::string("1234"));
    QVERIFY(page.Model().Data().spanMinutes > 0);
    QVERIFY(Control<QPushButton>(page, 245)->toolTip().contains(QStringLiteral("F5")));
  }

  void aLogOfSeveralDaysShowsTheChosenDayWithItsDate() {
    const QString twoDays = dir.filePath("2026.02.28_22-00-00.txt");
    {
      std::ofstream log(twoDays.toStdString(), std::ios::binary);
      for (int day = 0; day < 2; ++day) {
        for (int hour : {22, 23, 0, 1}) {
          const int date = (hour < 12 ? 1 : 0) + day;
          log << FormatLogLine(TimeStamp({2026, 3, date, hour, 30, day, 0}) + "P1234567A\r\n");
        }
      }
    }
    Graphic page;
    page.show();
    page.chooseLogFile = [&](const QString&) { return twoDays; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("22:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("2:00"));
    page.OnOpen();
    auto* days = page.findChild<QComboBox*>(QStringLiteral("dayList"));
    QCOMPARE(days->count(), 3);
    QCOMPARE(days->itemText(1), QStringLiteral("01.03"));
    QVERIFY(days->isEnabled());
    QCOMPARE(page.Model().Data().receptionTotal, 4);
    days->setCurrentIndex(1);
    QCOMPARE(page.Model().Data().day, 2);
    QCOMPARE(page.Model().Data().receptionTotal, 4);
    QCOMPARE(page.Model().Data().receptionCounts[60], 1);
    bool dated = false;
    for (const auto& item : page.Drawing().Picture().items) {
      if (const auto* text = std::get_if<PictureText>(&item)) dated |= text->text == "01.03.2026";
    }
    QVERIFY(dated);
  }

  void savesThePictureOrTheBinsThroughTheSameDrawing() {
    Graphic page;
    QStringList errors;
    page.showError = [&](const QString& text) { errors << text; };
    page.chooseExportFile = [](const QString&) { return QString(); };
    page.OnSave();
    QCOMPARE(errors.size(), 1);
    page.chooseLogFile = [&](const QString&) { return logPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:02"));
    page.OnOpen();
    QString suggested;
    for (const char* name : {"graph.png", "graph.svg", "graph.pdf", "bins.csv", "plain"}) {
      const QString target = dir.filePath(QString::fromLatin1(name));
      page.chooseExportFile = [&](const QString& first) {
        suggested = first;
        return target;
      };
      page.OnSave();
      QVERIFY2(QFileInfo(target).size() > 0 || QFileInfo(target + ".png").size() > 0, name);
    }
    QCOMPARE(suggested, dir.filePath("2026.03.01_10-00-00.png"));
    QFile csv(dir.filePath("bins.csv"));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll(),
             QByteArray("minute,time,receptions,peak_level\r\n0,10:00,6,10\r\n1,10:01,6,10\r\n"));
    QCOMPARE(errors.size(), 1);
    QCOMPARE(QImage(dir.filePath("graph.png")).size(), page.Drawing().Image().size());
    // A saved picture says what it shows; the screen's does not need to.
    QFile svg(dir.filePath("graph.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(svg.readAll())
                .contains(QString::fromUtf8(
                    "Передатчик 1234, 01.03.2026, журнал 2026.03.01_10-00-00.txt")));
  }

  void largeLogsLoadWithTheWindowResponsiveAndCanBeCancelled() {
    // 16 MiB: sixteen blocks, with the page's events handled between them.
    const QString bigPath = dir.filePath("big.txt");
    const std::string line = FormatLogLine(TimeStamp({2026, 3, 1, 10, 0, 0, 0}) + "P1234567A\r\n");
    const int lines = (16 << 20) / static_cast<int>(line.size());
    {
      std::ofstream log(bigPath.toStdString(), std::ios::binary);
      for (int i = 0; i < lines; ++i) log << line;
    }
    Graphic page;
    page.show();
#ifdef DELVARINE_UNDER_TSAN
    // The slow instrumented load would show the dialog, and Qt Gui paints it
    // with its own uninstrumented pool threads.
    page.progressDelayMs = 3600 * 1000;
#endif
    page.chooseLogFile = [&](const QString&) { return bigPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    QStringList errors;
    page.showError = [&](const QString& text) { errors << text; };
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    // A second "Открыть" during the load starts nothing.
    int asked = 0;
    page.chooseLogFile = [&](const QString&) {
      ++asked;
      return bigPath;
    };
    bool clickedAgain = false;
    QTimer::singleShot(0, [&] {
      clickedAgain = true;
      page.OnOpen();
    });
    page.OnOpen();
    QVERIFY(clickedAgain);
    QCOMPARE(asked, 1);
    QVERIFY2(ticks >= 8, qPrintable(QString::number(ticks)));
    GraphData direct;
    std::string error;
    LoadRequest request;
    request.transmitter = "1234";
    QVERIFY(LoadLog(bigPath.toStdString(), request, direct, error));
    QCOMPARE(page.Model().Data().receptionTotal, direct.receptionTotal);
    QVERIFY(page.Model().Data().receptionCounts == direct.receptionCounts);
    QVERIFY(page.Drawing().Picture().drawn);

    // "Отмена" during the load: empty bins, nothing drawn, no message.
    bool cancelled = false;
    connect(&ticker, &QTimer::timeout, [&] {
      auto* progress = page.findChild<QProgressDialog*>(QStringLiteral("loadProgress"));
      if (progress != nullptr && !cancelled) {
        cancelled = true;
        progress->cancel();
      }
    });
    page.OnOpen();
    QVERIFY(cancelled);
    QCOMPARE(page.Model().Data().receptionTotal, 0);
    QVERIFY(!page.Drawing().Picture().drawn);
    QVERIFY(errors.isEmpty());
    QVERIFY(page.findChild<QProgressDialog*>(QStringLiteral("loadProgress")) == nullptr);
  }

  void printoutNamesTheIntervalOnPaper() {
#ifdef DELVARINE_UNDER_TSAN
    QSKIP("fork() fails under this ThreadSanitizer");
#endif
    if (QStandardPaths::findExecutable("pdftotext").isEmpty()) QSKIP("pdftotext is missing");
    Graphic page;
    int asked = 0;
    const QString pdf = dir.filePath("graphs.pdf");
    page.choosePrinter = [&](QPrinter& printer) {
      ++asked;
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      return true;
    };
    // Nothing loaded: no print job at all, and the user is told why.
    QStringList said;
    page.showError = [&](const QString& text) { said << text; };
    page.OnPrint();
    QCOMPARE(asked, 0);
    QVERIFY(!QFile::exists(pdf));
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].startsWith(QString::fromUtf8("Печатать нечего")), qPrintable(said[0]));

    page.chooseLogFile = [&](const QString&) { return logPath; };
    Control<QComboBox>(page, 241)->setEditText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:30"));
    page.OnOpen();
    Control<QComboBox>(page, 244)->setCurrentIndex(3);
    const QString rate = Control<QLineEdit>(page, 261)->text();
    QTest::mouseClick(Control<QPushButton>(page, 247), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), rate);  // the printout writes no rate
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    QVERIFY(text.waitForFinished(20000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains(QString::fromUtf8("Количество приемов за 5 мин.")),
             qPrintable(printed));
    QVERIFY(printed.contains(QString::fromUtf8("Относительный уровень сигнала, dB")));
    for (const char* label : {"30", "27", "3", "-10", "-110", "10:00", "10:30"}) {
      QVERIFY2(printed.contains(QString::fromLatin1(label)), label);
    }
    // The same size on paper whatever the printer's resolution (this one has
    // 1200 dpi): the level title's top at 1960 and the "-110" label's at 3735
    // dots of 600 dpi lie (3735 - 1960) / 600 inches = 213 points apart.
    QProcess box;
    box.start("pdftotext", {"-bbox", pdf, "-"});
    QVERIFY(box.waitForFinished(20000));
    const QString words = QString::fromUtf8(box.readAllStandardOutput());
    const auto top = [&](const QString& word) {
      const QRegularExpression pattern(QStringLiteral("yMin=\"([0-9.]+)\"[^>]*>") +
                                       QRegularExpression::escape(word) +
                                       QStringLiteral("</word>"));
      const QRegularExpressionMatch match = pattern.match(words);
      return match.hasMatch() ? match.captured(1).toDouble() : -1000.0;
    };
    const double distance = top(QStringLiteral("-110")) - top(QString::fromUtf8("Относительный"));
    QVERIFY2(qAbs(distance - 213.0) < 2.0, qPrintable(QString::number(distance)));

    // The printer choice cancelled: no job.
    QFile::remove(pdf);
    page.choosePrinter = [&](QPrinter&) {
      ++asked;
      return false;
    };
    page.OnPrint();
    QCOMPARE(asked, 2);
    QVERIFY(!QFile::exists(pdf));
  }
};

QTEST_MAIN(GraphPageTest)
#include "graphpage_test.moc"
