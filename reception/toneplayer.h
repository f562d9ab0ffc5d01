#pragma once

#include <QObject>

class QProcess;

// The two tones, 400 Hz for 100 ms then 800 Hz for 50 ms, on the sound
// device through aplay, or the desktop's bell where there is none. Never
// waits: one signal at a time, and receptions closer together share it.
class TonePlayer : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;
  void Play();

 private:
  QProcess* player = nullptr;
};
