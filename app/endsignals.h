#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

// SIGINT and SIGTERM, taken on the owner's thread: the handler only writes
// the signal's number into a socket that the event loop watches, so the
// window can end its reading as a Stop answered "Yes" would. One at a time;
// the previous handlers come back when it goes.
class EndSignals : public QObject {
  Q_OBJECT

 public:
  explicit EndSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
  ~EndSignals() override;
  EndSignals(const EndSignals&) = delete;
  EndSignals& operator=(const EndSignals&) = delete;

 private:
  void Take();

  std::function<void(int)> onSignal;
  int sockets[2] = {-1, -1};
  QSocketNotifier* notifier = nullptr;
};
