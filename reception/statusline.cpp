#include "statusline.h"

#include <QFile>
#include <QFontMetrics>
#include <QLabel>

#include "textformat.h"

namespace {

QString ClockText(const LocalTime& time) {
  return QString::fromStdString(FormatClock(TimeOfDayOf(time)));
}

}  // namespace

void StatusLine::RunStarted(const std::filesystem::path& log) {
  lines = 0;
  lastLineAt.reset();
  lostSince.reset();
  logPath = log;
  logDeleted = false;
}

void StatusLine::Received(const LocalTime& time) {
  ++lines;
  lastLineAt = time;
}

void StatusLine::LogDeleted() {
  logPath.clear();
  logDeleted = true;
}

QString StatusLine::Text(const std::string& device, int comPort, State state) const {
  QString stateText;
  if (state == State::kStopped) {
    stateText = QString::fromUtf8("остановлено");
  } else if (state == State::kEnding) {
    stateText = QString::fromUtf8("завершение чтения");
  } else if (lostSince) {
    stateText = QString::fromUtf8("нет связи с ") + ClockText(*lostSince);
  } else {
    stateText = QString::fromUtf8("чтение");
  }
  QString text =
      QString::fromUtf8("Устройство: ") +
      (device.empty() ? QString::fromUtf8("не выбрано") : QFile::decodeName(device.c_str())) +
      (comPort > 0 ? QStringLiteral(" (COM%1)").arg(comPort) : QString()) +
      QString::fromUtf8(" — ") + stateText;
  if (logPath.empty() && !logDeleted) return text;
  text += QString::fromUtf8("   ·   строк: %1").arg(lines);
  if (lastLineAt) text += QString::fromUtf8("   ·   последняя: ") + ClockText(*lastLineAt);
  text += logDeleted ? QString::fromUtf8("   ·   журнал удалён")
                     : QString::fromUtf8("   ·   журнал: ") + QFile::decodeName(logPath.c_str());
  return text;
}

void StatusLine::Show(const QString& text, bool force) {
  if (!force && label->toolTip() == text) return;
  label->setToolTip(text);
  label->setText(label->fontMetrics().elidedText(text, Qt::ElideMiddle, label->width()));
}
