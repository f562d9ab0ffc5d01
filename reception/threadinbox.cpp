#include "threadinbox.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

ThreadInbox::ThreadInbox(QObject* parent) : QObject(parent) {
  wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) return;  // then Post wakes the owner through Qt
  notifier = new QSocketNotifier(wakeFd, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &ThreadInbox::RunPosted);
}

ThreadInbox::~ThreadInbox() {
  if (wakeFd >= 0) ::close(wakeFd);
}

void ThreadInbox::Post(std::function<void()> work) {
  bool first;
  {
    std::lock_guard lock(mutex);
    first = posted.empty();
    posted.push_back(std::move(work));
  }
  if (!first) return;  // a wake-up is already on its way
  if (wakeFd >= 0) {
    const std::uint64_t one = 1;
    const ssize_t written = ::write(wakeFd, &one, sizeof one);
    static_cast<void>(written);  // a full counter still wakes the reader
  } else {
    QMetaObject::invokeMethod(this, &ThreadInbox::RunPosted, Qt::QueuedConnection);
  }
}

void ThreadInbox::RunPosted() {
  if (wakeFd >= 0) {
    std::uint64_t count = 0;
    const ssize_t taken = ::read(wakeFd, &count, sizeof count);
    static_cast<void>(taken);
  }
  std::vector<std::function<void()>> work;
  {
    std::lock_guard lock(mutex);
    work.swap(posted);
  }
  for (const auto& item : work) item();
}
