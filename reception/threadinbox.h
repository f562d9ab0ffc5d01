#pragma once

#include <QObject>
#include <functional>
#include <mutex>
#include <vector>

class QSocketNotifier;

// Work handed from any thread to the thread that owns the inbox: queued under
// a mutex and announced through an eventfd that the owner's event loop
// watches. Qt's own queued calls synchronise inside the library, where a
// thread checker cannot follow them; this hand-over it can.
class ThreadInbox : public QObject {
  Q_OBJECT

 public:
  explicit ThreadInbox(QObject* parent = nullptr);
  ~ThreadInbox() override;
  ThreadInbox(const ThreadInbox&) = delete;
  ThreadInbox& operator=(const ThreadInbox&) = delete;

  // Any thread. `work` runs on the owner's thread, in the order posted.
  void Post(std::function<void()> work);

 private:
  void RunPosted();

  std::mutex mutex;
  std::vector<std::function<void()>> posted;  // guarded by `mutex`
  int wakeFd = -1;
  QSocketNotifier* notifier = nullptr;
};
