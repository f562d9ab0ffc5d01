#include "graphcommand.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "graphexport.h"
#include "logfile.h"
#include "logloader.h"
#include "textformat.h"

namespace {

std::string Record(int hour, int minute, int second, const std::string& received) {
  return FormatLogLine(TimeStamp({2026, 3, 1, hour, minute, second, 42}) + received + "\r\n");
}

class GraphCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("delvarine-graphcommand-" + std::to_string(getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    log = dir / "2026.03.01_10-00-00.txt";
    std::ofstream(log, std::ios::binary)
        << "Start\r\n"
        << Record(10, 0, 5, "P12345678") << Record(10, 0, 5, "P12345678")
        << Record(10, 1, 7, "P1234567C") << Record(10, 3, 0, "P12345672")
        << Record(10, 3, 1, "P0A642AB12CD3459") << "End\r\n    1234    \r\n";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  int Run(std::vector<std::string> arguments) {
    out.str({});
    err.str({});
    return RunGraphCommand(arguments, out, err, ExportGraphs);
  }

  std::filesystem::path dir;
  std::filesystem::path log;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(GraphCommandTest, BinsArePrintedPerMinuteWithTheTotals) {
  ASSERT_EQ(Run({log.string(), "--tx", "1234", "--from", "10:00", "--to", "10:04", "--bins"}), 0)
      << err.str();
  // A repeated second counts once; '2' is 15.
  EXPECT_EQ(out.str(), "0 1 8\n1 1 12\n2 0 0\n3 1 15\ntotal 3 span 4\n");
  EXPECT_EQ(err.str(), "");
}

TEST_F(GraphCommandTest, OptionsTakeEitherFormAndDoubleDashEndsThem) {
  ASSERT_EQ(Run({"--tx=1234", "--from", "10:00", "--to=10:04", "--bins", "--", log.string()}), 0)
      << err.str();
  EXPECT_EQ(out.str(), "0 1 8\n1 1 12\n2 0 0\n3 1 15\ntotal 3 span 4\n");
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(out.str().starts_with("usage: delvarine graph")) << out.str();
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(Run({log.string(), "--bins=yes"}), 2);
  EXPECT_NE(err.str().find("--bins takes no value"), std::string::npos) << err.str();
}

TEST_F(GraphCommandTest, DefaultsAreThePagesInitialValues) {
  // "0A642" from 00:00 to 23:59: the long record at 10:03, span to 23:59.
  ASSERT_EQ(Run({log.string()}), 0) << err.str();
  EXPECT_EQ(out.str(), "total 1 span 836\n");
  ASSERT_EQ(Run({log.string(), "--bins"}), 0);
  EXPECT_EQ(out.str().substr(0, 6), "0 1 9\n");
  EXPECT_NE(out.str().find("\n835 0 0\ntotal 1 span 836\n"), std::string::npos);
}

TEST_F(GraphCommandTest, BadArgumentsExitTwoWithTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {log.string(), log.string()},
      {log.string(), "--interval", "4"},
      {log.string(), "--max", "5"},
      {log.string(), "--from", "25:00"},
      {log.string(), "--to", "7:5"},
      {log.string(), "--from"},
      {log.string(), "--tx", "123456"},
      {log.string(), "--output", "picture.jpg"},
      {log.string(), "--verbose"},
  };
  for (const auto& arguments : cases) {
    EXPECT_EQ(Run(arguments), 2) << (arguments.size() > 1 ? arguments[1] : "(none)");
    EXPECT_NE(err.str().find("usage: delvarine graph LOGFILE"), std::string::npos);
    EXPECT_EQ(out.str(), "");
  }
}

TEST_F(GraphCommandTest, UnreadableLogsAndUnwritablePicturesExitOne) {
  EXPECT_EQ(Run({(dir / "missing.txt").string(), "--bins"}), 1);
  EXPECT_EQ(err.str(), "delvarine graph: cannot open " + (dir / "missing.txt").string() +
                           ": No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
  // A folder, a FIFO and a device are refused at once; /dev/zero never ends.
  const std::filesystem::path fifo = dir / "fifo.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& [path, what] :
       {std::pair{dir.string(), "a folder"}, std::pair{fifo.string(), "a FIFO"},
        std::pair{std::string("/dev/zero"), "a device"}}) {
    EXPECT_EQ(Run({path, "--bins"}), 1) << path;
    EXPECT_EQ(err.str(),
              "delvarine graph: cannot load " + path + ": it is not a log file but " + what + "\n");
  }
  for (const char* name : {"no/such/dir/a.png", "no/such/dir/a.svg", "no/such/dir/a.pdf"}) {
    EXPECT_EQ(Run({log.string(), "--output", (dir / name).string()}), 1) << name;
    EXPECT_NE(err.str().find("cannot write " + (dir / name).string()), std::string::npos)
        << err.str();
  }
}

TEST_F(GraphCommandTest, AFailedPictureLeavesTheOldFileAsItWas) {
  // A file-size limit stands for a full disk.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  for (const char* name : {"day.png", "day.svg", "day.pdf"}) {
    const std::filesystem::path picture = dir / name;
    std::ofstream(picture, std::ios::binary) << "the picture of yesterday";
    rlimit limit = saved;
    limit.rlim_cur = 200;
    setrlimit(RLIMIT_FSIZE, &limit);
    const int result = Run({log.string(), "--tx", "1234", "--output", picture.string()});
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(result, 1) << name;
    EXPECT_NE(err.str().find("cannot write " + picture.string()), std::string::npos) << err.str();
    std::ifstream in(picture, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the picture of yesterday");
  }
  std::signal(SIGXFSZ, previous);
  // No half-written temporary file stays behind.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 4u);
}

TEST_F(GraphCommandTest, PngIsTheScreenPicture) {
  const std::filesystem::path png = dir / "graph.png";
  ASSERT_EQ(Run({log.string(), "--tx", "1234", "--from", "10:00", "--to", "10:04", "--max", "1",
                 "--output", png.string()}),
            0)
      << err.str();
  QImage image;
  ASSERT_TRUE(image.load(QString::fromStdString(png.string())));
  // The drawing window's inside: 578 x 396 dialog units less the border.
  EXPECT_EQ(image.width(), 865);
  EXPECT_EQ(image.height(), 642);
  // Minute 0, 2 receptions on a scale of 1: the bar stops at the scale's top; 200 px wide.
  EXPECT_EQ(image.pixelColor(40, 100), QColor(50, 0, 255));
  EXPECT_EQ(image.pixelColor(240, 100), QColor(50, 0, 255));
  EXPECT_EQ(image.pixelColor(100, 30), QColor(Qt::white));
  // 3 receptions over 4 minutes round to 1 a minute: the average line at the top, in black.
  EXPECT_EQ(image.pixelColor(100, 40), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(100, 100), QColor(Qt::white));
  EXPECT_EQ(image.pixelColor(850, 540), QColor(Qt::black));  // the level base line past the bars
}

TEST_F(GraphCommandTest, SvgAndPdfHoldTheTitles) {
  const std::filesystem::path svg = dir / "graph.svg";
  ASSERT_EQ(Run({log.string(), "--tx", "1234", "--interval", "5", "--output", svg.string()}), 0);
  std::stringstream text;
  text << std::ifstream(svg).rdbuf();
  EXPECT_NE(text.str().find(">Количество приемов за 1 мин.</text>"), std::string::npos);
  EXPECT_NE(text.str().find(">Относительный уровень сигнала, dB</text>"), std::string::npos);
  // A picture on its own says what it shows.
  EXPECT_NE(text.str().find(">Передатчик 1234, 01.03.2026, журнал 2026.03.01_10-00-00.txt</text>"),
            std::string::npos);

  const std::filesystem::path pdf = dir / "graph.pdf";
  ASSERT_EQ(Run({log.string(), "--tx", "1234", "--interval", "5", "--output", pdf.string()}), 0)
      << err.str();
  std::ifstream file(pdf, std::ios::binary);
  std::string magic(4, '\0');
  file.read(magic.data(), 4);
  EXPECT_EQ(magic, "%PDF");
  if (std::system("command -v pdftotext > /dev/null") != 0) GTEST_SKIP() << "pdftotext is missing";
  const std::filesystem::path txt = dir / "graph.txt";
  ASSERT_EQ(std::system(("pdftotext '" + pdf.string() + "' '" + txt.string() + "'").c_str()), 0);
  std::stringstream printed;
  printed << std::ifstream(txt).rdbuf();
  // Paper names the chosen interval.
  EXPECT_NE(printed.str().find("Количество приемов за 5 мин."), std::string::npos) << printed.str();
  EXPECT_NE(printed.str().find("Передатчик 1234, 01.03.2026"), std::string::npos) << printed.str();
  EXPECT_NE(printed.str().find("-110"), std::string::npos);
  EXPECT_NE(printed.str().find("10:00"), std::string::npos);
}

}  // namespace

TEST_F(GraphCommandTest, TransmittersOfTheLogAreListedAndNamedWhenTheIdMatchesNothing) {
  ASSERT_EQ(Run({log.string(), "--transmitters"}), 0);
  EXPECT_EQ(out.str(), "1234 4\n0A642 1\n");
  ASSERT_EQ(Run({log.string(), "--tx", "9999", "--bins"}), 0);
  EXPECT_EQ(out.str(), "total 0 span 0\n");
  EXPECT_NE(err.str().find("has no line of transmitter 9999; it holds (see --transmitters): "
                           "1234 (4) 0A642 (1)"),
            std::string::npos)
      << err.str();
}

TEST_F(GraphCommandTest, AnEmptyWindowSaysSoAndDrawsNoDay) {
  ASSERT_EQ(Run({log.string(), "--tx", "1234", "--from", "8:00", "--to", "9.00", "--bins"}), 0);
  EXPECT_EQ(out.str(), "total 0 span 0\n");
  EXPECT_NE(err.str().find("no reception of 1234 from 08:00 to 09:00 on day 1 of 1"),
            std::string::npos)
      << err.str();
}

TEST_F(GraphCommandTest, DayNAndCsvBins) {
  // Two days: 10:00 and 23:59 on the first, 00:01 and 10:00 on the second.
  const std::filesystem::path twoDays = dir / "2026.02.28_10-00-00.txt";
  std::ofstream(twoDays, std::ios::binary)
      << "Start\r\n"
      << Record(10, 0, 5, "P12345678") << Record(23, 59, 0, "P12345679")
      << Record(0, 1, 0, "P1234567A") << Record(10, 0, 0, "P1234567B") << "End\r\n";
  const std::filesystem::path csv = dir / "day2.csv";
  ASSERT_EQ(Run({twoDays.string(), "--tx", "1234", "--day", "2", "--from", "9:58", "--to", "10:02",
                 "--output", csv.string()}),
            0)
      << err.str();
  EXPECT_EQ(out.str(), "total 1 span 2\n");
  std::ifstream in(csv, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, "minute,time,receptions,peak_level\r\n0,10:00,1,11\r\n1,10:01,0,0\r\n");
  // Day 1 of the same log, and a day it does not have.
  ASSERT_EQ(Run({twoDays.string(), "--tx", "1234", "--from", "23:00", "--to", "00:30", "--bins"}),
            0);
  EXPECT_EQ(out.str().substr(out.str().find("total")), "total 2 span 31\n");
  ASSERT_EQ(Run({twoDays.string(), "--tx", "1234", "--day", "3", "--bins"}), 0);
  EXPECT_EQ(out.str(), "total 0 span 0\n");
  EXPECT_EQ(Run({twoDays.string(), "--day", "0"}), 2);
  EXPECT_EQ(Run({twoDays.string(), "--from", "24:00"}), 2);
  EXPECT_NE(err.str().find("--from needs a time HH:MM"), std::string::npos);
}

TEST(DayDateTest, TheLogsNameGivesEachDaysDate) {
  EXPECT_EQ(DayDate("2026.02.28_10-00-00.txt", 1), "28.02.2026");
  EXPECT_EQ(DayDate("2026.02.28_10-00-00.txt", 2), "01.03.2026");
  EXPECT_EQ(DayDate("2024.12.31_23-59-59.txt", 2), "01.01.2025");
  EXPECT_EQ(DayDate("day-log.txt", 1), "");
  EXPECT_EQ(DayDate("2026.13.01_00-00-00.txt", 1), "");
}
