#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <vector>

#include "localtime.h"
#include "silencewatch.h"

class QLabel;
class QTimer;
class SlotPanel;

// How the reading page shows a silent transmitter: the slot's warning
// colour, the title's note, the line of news under the status line, a
// desktop notification and the tones, once per silence; and the timer that
// looks again when the next limit passes. The watch itself hears the run's
// lines as a listener of the session.
class SilenceAlarm : public QObject {
  Q_OBJECT

 public:
  SilenceAlarm(SlotPanel& panel, const Clock& clock, QLabel* newsLine, QObject* parent);

  SilenceWatch& Watch() { return watch; }
  // A desktop notification and the tones; the page's, replaceable by tests.
  std::function<void(const QString& summary, const QString& body)> notify;
  std::function<void()> playTones;
  // What the title says about silent transmitters; empty when none is.
  std::function<void(const QString& note)> noteChanged;

  // The limits of the slots' selectors into the watch, for followed slots.
  void ApplyLimits();
  // A limit changed while reading: a mark switched off goes, then a look.
  void LimitChanged(int slot);
  // Looks for transmitters silent past their limits now (while `reading`).
  void Check(bool reading);
  // Shows what the watch found since the last look (lines came).
  void TakeHeard(bool reading);
  // The run ended or starts: no mark, no note, no news.
  void End();
  // The title's note, its minutes brought up to date.
  void RefreshNote();
  QString News() const;

 private:
  void Show(const std::vector<SilenceWatch::Event>& events);
  void Schedule(bool reading);
  QString SlotName(int slot) const;

  SlotPanel& slotPanel;
  const Clock& clock;
  QLabel* newsLine;
  SilenceWatch watch;
  QTimer* timer;  // fires when the next silence limit passes
  QString note;
};
