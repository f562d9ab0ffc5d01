#include "silencealarm.h"

#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "pagetext.h"
#include "slotpanel.h"
#include "textformat.h"

namespace {

QString ClockText(const LocalTime& time) {
  return QString::fromStdString(FormatClock(TimeOfDayOf(time)));
}

}  // namespace

SilenceAlarm::SilenceAlarm(SlotPanel& panel, const Clock& timeSource, QLabel* news, QObject* parent)
    : QObject(parent), slotPanel(panel), clock(timeSource), newsLine(news) {
  timer = new QTimer(this);
  timer->setSingleShot(true);
  connect(timer, &QTimer::timeout, this, [this] { Check(true); });
}

QString SilenceAlarm::SlotName(int slot) const {
  return FromBytes(slotPanel.NumberText(slot).substr(0, 4));
}

void SilenceAlarm::ApplyLimits() {
  for (int k = 0; k < kSlotCount; ++k) {
    // Only a slot that follows a transmitter can miss it.
    const bool followed = slotPanel.NumberText(k).substr(0, 4).size() == 4;
    watch.SetLimit(k, followed ? std::int64_t{slotPanel.SilenceMinutes(k)} * 60'000 : 0);
  }
}

void SilenceAlarm::LimitChanged(int slot) {
  ApplyLimits();
  if (!watch.IsSilent(slot) && slotPanel.HasAlarm(slot)) {
    // Switched off during a silence: its mark goes, no word follows.
    slotPanel.SetAlarm(slot, false);
    RefreshNote();
  }
  Check(true);
}

void SilenceAlarm::Check(bool reading) {
  if (!reading) return;
  std::vector<SilenceWatch::Event> events;
  watch.Check(clock.ElapsedMs(clock.Now()), events);
  Show(events);
  Schedule(reading);
}

void SilenceAlarm::TakeHeard(bool reading) {
  const std::vector<SilenceWatch::Event> heard = watch.TakeEvents();
  if (heard.empty()) return;
  Show(heard);
  Schedule(reading);
}

void SilenceAlarm::Schedule(bool reading) {
  const std::int64_t due = reading ? watch.NextDueMs(clock.ElapsedMs(clock.Now())) : -1;
  if (due < 0) {
    timer->stop();
    return;
  }
  // A moment after the limit, so that it has passed when the timer looks.
  timer->start(static_cast<int>(std::min<std::int64_t>(due + 50, 24LL * 3600 * 1000)));
}

void SilenceAlarm::Show(const std::vector<SilenceWatch::Event>& events) {
  for (const SilenceWatch::Event& event : events) {
    const QString name = SlotName(event.slot);
    const QString duration = QString::fromStdString(DescribeDurationRussian(event.silentMs));
    const QString when = ClockText(clock.Now());
    if (event.silent) {
      slotPanel.SetAlarm(event.slot, true);
      newsLine->setText(when + QString::fromUtf8("   Передатчик %1 (слот %2) не слышен %3.")
                                   .arg(name)
                                   .arg(event.slot + 1)
                                   .arg(duration));
      if (notify) {
        notify(QString::fromUtf8("Передатчик %1 не слышен").arg(name),
               QString::fromUtf8("Слот %1: нет приёма уже %2. Проверьте передатчик и приёмник.")
                   .arg(event.slot + 1)
                   .arg(duration));
      }
      if (playTones) playTones();
    } else {
      slotPanel.SetAlarm(event.slot, false);
      newsLine->setText(
          when + QString::fromUtf8("   Передатчик %1 (слот %2) снова слышен после %3 тишины.")
                     .arg(name)
                     .arg(event.slot + 1)
                     .arg(duration));
    }
  }
  if (!events.empty()) RefreshNote();
}

void SilenceAlarm::RefreshNote() {
  QStringList silent;
  const std::int64_t now = clock.ElapsedMs(clock.Now());
  for (int k = 0; k < kSlotCount; ++k) {
    if (!slotPanel.HasAlarm(k)) continue;
    // Whole minutes in the title: it changes once a minute, not every second.
    const std::int64_t silentMs = std::max<std::int64_t>(0, now - watch.LastHeard(k));
    silent << QString::fromUtf8("передатчик %1 не слышен %2")
                  .arg(SlotName(k))
                  .arg(QString::fromStdString(DescribeDurationRussian(silentMs / 60'000 * 60'000)));
  }
  const QString text = silent.join(QStringLiteral("; "));
  if (text == note) return;
  note = text;
  if (noteChanged) noteChanged(note);
}

void SilenceAlarm::End() {
  timer->stop();
  for (int k = 0; k < kSlotCount; ++k) slotPanel.SetAlarm(k, false);
  RefreshNote();
  // The news of a run is about that run.
  newsLine->clear();
}

QString SilenceAlarm::News() const { return newsLine->text(); }
