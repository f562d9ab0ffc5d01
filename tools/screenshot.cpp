// Takes screenshots of both pages during a reading fed by a pseudo-terminal:
//   delvarine-screenshot OUTPUT_DIR
// writes OUTPUT_DIR/reading-page.png and OUTPUT_DIR/graph-page.png.

#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "datareceiving.h"
#include "dialogunits.h"
#include "graphic.h"
#include "logfile.h"
#include "mainframe.h"
#include "textformat.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(output);
  // Settings of its own, so the user's choices stay as they are.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(output + QStringLiteral("/config")));
  QApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Delvarine"));
  QCoreApplication::setApplicationName(QStringLiteral("Delvarine"));
  QApplication::setFont(dialogunits::DialogFont());
  QDir::setCurrent(output);

  int master = -1;
  int slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return 1;

  // A day of one transmitter for the graph page: busier and stronger by turns.
  const QString dayLog = output + QStringLiteral("/day-log.txt");
  {
    std::ofstream log(dayLog.toStdString(), std::ios::binary);
    log << "Start\r\n";
    unsigned seed = 7;
    for (int t = 8 * 3600; t < 20 * 3600; t += 7) {
      seed = seed * 1103515245u + 12345u;
      const int hour = t / 3600;
      const int minute = t / 60 % 60;
      if ((minute / 20) % 2 == 1 && seed % 3 != 0) continue;
      const int level = 5 + static_cast<int>((seed >> 8) % 6) + (hour % 4);
      // The level digit is the last byte of the line.
      const std::string line =
          std::string("P1234AB0") + "0123456789ABCDEF"[level > 15 ? 15 : level];
      log << FormatLogLine(TimeStamp({2026, 3, 1, hour, minute, t % 60, 0}) + line + "\r\n");
    }
    log << "End";
  }

  MainFrame frame;
  DataReceiving& page = frame.ReadingPage();
  const char* numbers[] = {"1234", "A642", "C115", "0B17"};
  const char* lines[] = {"P12345678\r\n", "P0A642AB12CD3456\r\n", "PC115A678\r\n",
                         "P0B17F000\r\n", "P12347678\r\n",        "PC1159678\r\n"};
  for (int k = 0; k < 4; ++k) {
    static_cast<QLineEdit*>(page.Control(k == 0   ? 210
                                         : k == 1 ? 208
                                         : k == 2 ? 209
                                                  : 215))
        ->setText(QString::fromLatin1(numbers[k]));
  }
  page.SetLogFolder(output);
  page.UseDevice(name);
  page.OnStart();
  // At its natural size, whatever the off-screen screen measures.
  frame.resize(dialogunits::X(658), dialogunits::Y(484));
  frame.show();

  int written = 0;
  QTimer feeder;
  QObject::connect(&feeder, &QTimer::timeout, [&] {
    const char* line = lines[written % 6];
    if (::write(master, line, std::char_traits<char>::length(line)) < 0) {
      // the simulated line may be gone
    }
    if (++written == 40) {
      feeder.stop();
      QTimer::singleShot(300, [&] {
        frame.grab().save(output + QStringLiteral("/reading-page.png"));
        frame.Tabs().setCurrentIndex(1);
        auto& graph = static_cast<Graphic&>(frame.GraphPage());
        static_cast<QComboBox*>(graph.Control(241))->setEditText(QStringLiteral("1234"));
        static_cast<QLineEdit*>(graph.Control(242))->setText(QStringLiteral("08:00"));
        static_cast<QLineEdit*>(graph.Control(243))->setText(QStringLiteral("20:00"));
        static_cast<QComboBox*>(graph.Control(244))->setCurrentIndex(4);
        static_cast<QComboBox*>(graph.Control(246))->setCurrentIndex(4);
        graph.chooseLogFile = [dayLog](const QString&) { return dayLog; };
        graph.OnOpen();
        QTimer::singleShot(200, [&] {
          frame.grab().save(output + QStringLiteral("/graph-page.png"));
          page.askSaveFiles = [] { return false; };
          page.OnStop();
          QCoreApplication::quit();
        });
      });
    }
  });
  feeder.start(20);
  const int result = QApplication::exec();
  ::close(master);
  ::close(slave);
  return result;
}
