// The graph page driven through its widgets on the offscreen platform.

#include <QComboBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "graphic.h"
#include "logfile.h"
#include "paintgraphic.h"
#include "textformat.h"

// The ThreadSanitizer of clang 14 fails inside fork(), which reading a PDF back
// with pdftotext needs; the printouts are checked in the other builds.
#if defined(__SANITIZE_THREAD__)
#define DELVARINE_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DELVARINE_UNDER_TSAN 1
#endif
#endif

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

 private slots:
  void initTestCase() {
    QVERIFY(dir.isValid());
    logPath = dir.filePath("2026.03.01_10-00-00.txt");
    std::ofstream log(logPath.toStdString(), std::ios::binary);
    log << "Start\r\n";
    for (int minute = 0; minute < 30; ++minute) {
      for (int second = 0; second < 60; second += 10) {
        log << FormatLogLine(TimeStamp({2026, 3, 1, 10, minute, second, 0}) + "P1234567A\r\n");
      }
    }
    log << "End";
  }

  void startsWithTheInitialChoicesAndHidden() {
    Graphic page;
    QCOMPARE(Control<QLineEdit>(page, 241)->text(), QStringLiteral("0A642"));
    QCOMPARE(Control<QLineEdit>(page, 242)->text(), QStringLiteral("00:00"));
    QCOMPARE(Control<QLineEdit>(page, 243)->text(), QStringLiteral("23:59"));
    QCOMPARE(Control<QComboBox>(page, 244)->count(), 5);
    QCOMPARE(Control<QComboBox>(page, 244)->itemText(4), QString::fromUtf8("10 мин."));
    QCOMPARE(Control<QComboBox>(page, 246)->currentText(), QStringLiteral("30"));
    QCOMPARE(Control<QComboBox>(page, 249)->itemText(1), QString::fromUtf8("Уменьш."));
    page.show();
    QVERIFY(!page.Drawing().isVisible());
    QCOMPARE(page.Drawing().size(), QSize(867, 644));
    // A change of the scale alone redraws but does not show the window.
    Control<QComboBox>(page, 246)->setCurrentIndex(1);
    QVERIFY(!page.Drawing().isVisible());
    QTest::mouseClick(Control<QPushButton>(page, 245), Qt::LeftButton);
    QVERIFY(page.Drawing().isVisible());
  }

  void openLoadsTheChosenLogAndDraws() {
    Graphic page;
    page.show();
    page.chooseLogFile = [&] { return logPath; };
    Control<QLineEdit>(page, 241)->setText(QStringLiteral("1234"));
    Control<QLineEdit>(page, 242)->setText(QStringLiteral("10:00"));
    Control<QLineEdit>(page, 243)->setText(QStringLiteral("10:30"));
    QTest::mouseClick(Control<QPushButton>(page, 232), Qt::LeftButton);
    QVERIFY(page.Drawing().isVisible());
    QCOMPARE(page.Drawing().data.spanMinutes, 30);
    QCOMPARE(page.Drawing().data.receptionTotal, 180);
    QCOMPARE(Control<QLineEdit>(page, 261)->text(), QStringLiteral("6"));
    // Bars are drawn in the plot colour.
    const QImage& image = page.Drawing().Image();
    QCOMPARE(image.pixelColor(40, 220), QColor(50, 0, 255));

    // The font list redraws with the small font and shows the window.
    Control<QComboBox>(page, 249)->setCurrentIndex(1);
    QVERIFY(page.Drawing().Picture().drawn);

    // A cancelled choice leaves empty bins and nothing drawn.
    page.chooseLogFile = [] { return QString(); };
    QTest::mouseClick(Control<QPushButton>(page, 232), Qt::LeftButton);
    QCOMPARE(page.Drawing().data.spanMinutes, 0);
    QVERIFY(!page.Drawing().Picture().drawn);
  }

  void unreadableLogIsReported() {
    Graphic page;
    QStringList errors;
    page.showError = [&](const QString& text) { errors << text; };
    page.chooseLogFile = [&] { return dir.filePath("missing.txt"); };
    page.OnOpen();
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains("missing.txt"));
    QVERIFY(!QFile::exists(dir.filePath("missing.txt")));
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
    // Nothing loaded: no print job at all.
    page.OnPrint();
    QCOMPARE(asked, 0);

    page.chooseLogFile = [&] { return logPath; };
    Control<QLineEdit>(page, 241)->setText(QStringLiteral("1234"));
    page.OnOpen();
    Control<QComboBox>(page, 244)->setCurrentIndex(3);
    QTest::mouseClick(Control<QPushButton>(page, 247), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    QVERIFY(text.waitForFinished(20000));
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    QVERIFY2(printed.contains(QString::fromUtf8("Количество приемов за 5 мин.")), qPrintable(printed));
    QVERIFY(printed.contains(QString::fromUtf8("Относительный уровень сигнала, dB")));
    QVERIFY(printed.contains("-110"));
    QVERIFY(printed.contains("10:00"));
  }
};

QTEST_MAIN(GraphPageTest)
#include "graphpage_test.moc"
