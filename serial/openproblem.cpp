#include "openproblem.h"

#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "stringtable.h"

namespace {

// The device's owner, group and permission bits, as far as they can be known.
void DescribeOwnership(const std::string& path, OpenProblem& problem) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return;
  problem.mode = status.st_mode & 07777;
  std::vector<char> buffer(16384);
  group groupEntry{};
  group* foundGroup = nullptr;
  if (getgrgid_r(status.st_gid, &groupEntry, buffer.data(), buffer.size(), &foundGroup) == 0 &&
      foundGroup != nullptr) {
    problem.group = foundGroup->gr_name;
  }
  passwd userEntry{};
  passwd* foundUser = nullptr;
  if (getpwuid_r(status.st_uid, &userEntry, buffer.data(), buffer.size(), &foundUser) == 0 &&
      foundUser != nullptr) {
    problem.owner = foundUser->pw_name;
  }
}

std::string ProcessName(const std::string& procRoot, const std::string& pid) {
  std::string name;
  std::ifstream comm(procRoot + "/" + pid + "/comm");
  std::getline(comm, name);
  if (name.empty()) name.assign(1, '?');
  return name + " (PID " + pid + ")";
}

std::string ModeText(unsigned mode) {
  std::string text = "0000";
  for (int i = 3; i >= 0; --i, mode >>= 3)
    text[static_cast<std::size_t>(i)] = static_cast<char>('0' + (mode & 7));
  return text;
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

bool IsNumber(const char* text) {
  if (*text == '\0') return false;
  for (; *text != '\0'; ++text) {
    if (*text < '0' || *text > '9') return false;
  }
  return true;
}

}  // namespace

std::string FindDeviceHolder(const std::string& path, const std::string& procRoot) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return {};
  const std::unique_ptr<DIR, DirCloser> processes(opendir(procRoot.c_str()));
  if (!processes) return {};
  while (const dirent* process = readdir(processes.get())) {
    if (!IsNumber(process->d_name)) continue;
    const std::string base = procRoot + "/" + process->d_name;
    // Other users' descriptors are closed to us; the search says what it may.
    const std::unique_ptr<DIR, DirCloser> fds(opendir((base + "/fd").c_str()));
    if (!fds) continue;
    while (const dirent* fd = readdir(fds.get())) {
      if (!IsNumber(fd->d_name)) continue;
      struct stat open {};
      if (::stat((base + "/fd/" + fd->d_name).c_str(), &open) != 0) continue;
      if (!S_ISCHR(open.st_mode) || open.st_rdev != device.st_rdev) continue;
      return ProcessName(procRoot, process->d_name);
    }
  }
  return {};
}

std::string FindLockHolder(const std::string& path, const std::string& procRoot) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0) return {};
  // "1: FLOCK  ADVISORY  WRITE 1234 00:05:3 0 EOF": the node's file system
  // as hexadecimal major:minor, then its inode.
  std::ifstream locks(procRoot + "/locks");
  std::string line;
  while (std::getline(locks, line)) {
    std::istringstream fields(line);
    std::string id, kind, advisory, access, pid, node;
    if (!(fields >> id >> kind)) continue;
    if (kind == "->") fields >> kind;  // a waiter
    if (kind != "FLOCK" || !(fields >> advisory >> access >> pid >> node)) continue;
    unsigned major = 0, minor = 0;
    unsigned long inode = 0;
    if (std::sscanf(node.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) continue;
    if (major != ::major(device.st_dev) || minor != ::minor(device.st_dev) ||
        inode != device.st_ino) {
      continue;
    }
    // PID 0: a holder in another PID namespace, which cannot be named.
    if (!IsNumber(pid.c_str()) || pid == "0") continue;
    return ProcessName(procRoot, pid);
  }
  return {};
}

bool IsDeviceGroup(const std::string& group) {
  return group == "dialout" || group == "uucp" || group == "tty" || group == "plugdev";
}

OpenProblem DiagnoseOpenFailure(const std::string& path, int error, bool configuring) {
  OpenProblem problem;
  problem.path = path;
  problem.reason = std::strerror(error);
  if (configuring) {
    problem.kind = error == EWOULDBLOCK || error == EBUSY ? OpenProblem::Kind::kBusy
                                                          : OpenProblem::Kind::kSettings;
  } else if (error == ENOENT || error == ENODEV || error == ENXIO || error == ENOTDIR) {
    problem.kind = OpenProblem::Kind::kMissing;
  } else if (error == EACCES || error == EPERM) {
    problem.kind = OpenProblem::Kind::kPermission;
    DescribeOwnership(path, problem);
  } else if (error == EBUSY) {
    problem.kind = OpenProblem::Kind::kBusy;
  } else {
    problem.kind = OpenProblem::Kind::kOther;
  }
  if (problem.kind == OpenProblem::Kind::kBusy) {
    // Refused by the lock: its holder, not whoever has the device open.
    problem.holder =
        configuring && error == EWOULDBLOCK ? FindLockHolder(path) : FindDeviceHolder(path);
  }
  return problem;
}

std::string EnglishMessage(const OpenProblem& problem) {
  const std::string& path = problem.path;
  switch (problem.kind) {
    case OpenProblem::Kind::kNone:
      return {};
    case OpenProblem::Kind::kMissing:
      return "cannot open " + path + ": there is no such device (" + problem.reason +
             "). Check that the receiver is plugged in, and see `delvarine ports`.";
    case OpenProblem::Kind::kPermission: {
      const std::string group = problem.group.empty() ? "dialout" : problem.group;
      if (IsDeviceGroup(group)) {
        return "cannot open " + path + ": permission denied. The device belongs to the group " +
               group + "; join it (sudo adduser $USER " + group + ") and log in again.";
      }
      return "cannot open " + path + ": permission denied. The device (owner " +
             (problem.owner.empty() ? std::string("?") : problem.owner) + ", group " + group +
             ", mode " + ModeText(problem.mode) +
             ") is not meant for users: its permissions must be changed, for example by a "
             "udev rule that gives it to the group dialout.";
    }
    case OpenProblem::Kind::kBusy:
      return "cannot open " + path + ": the port is busy, held by " +
             (problem.holder.empty() ? std::string("another program") : problem.holder) + " (" +
             problem.reason + ").";
    case OpenProblem::Kind::kSettings:
      return "cannot open " + path + ": the device refused the line settings (2400 bit/s, 8N1); " +
             "it may not be a serial line (" + problem.reason + ").";
    case OpenProblem::Kind::kOther:
      break;
  }
  return "cannot open " + path + ": " + problem.reason + ".";
}

std::string RussianMessage(const OpenProblem& problem) {
  constexpr char kOpening[] = "Соединение не может быть установлено";
  const std::string& path = problem.path;
  std::string text;
  switch (problem.kind) {
    case OpenProblem::Kind::kNone:
      return {};
    case OpenProblem::Kind::kBusy:
      // The words the users know, from the program's string table.
      text = strings::Load(strings::kPortBusy);
      if (!problem.holder.empty()) text += "\nПорт занят программой " + problem.holder + ".";
      break;
    case OpenProblem::Kind::kMissing:
      text = std::string(kOpening) +
             ": устройство не найдено. Проверьте, что приёмник "
             "подключён, и выберите устройство в списке «COM-порт».";
      break;
    case OpenProblem::Kind::kPermission: {
      const std::string group = problem.group.empty() ? "dialout" : problem.group;
      if (IsDeviceGroup(group)) {
        text = std::string(kOpening) + ": нет прав на это устройство. Им могут пользоваться " +
               "члены группы «" + group + "». Добавьте себя в неё командой\nsudo adduser $USER " +
               group + "\nи войдите в систему заново.";
      } else {
        text = std::string(kOpening) + ": нет прав на это устройство (владелец " +
               (problem.owner.empty() ? std::string("?") : problem.owner) + ", группа " + group +
               ", права " + ModeText(problem.mode) +
               "). Оно не предназначено для пользователей: права на него нужно изменить, "
               "например правилом udev, которое отдаёт его группе dialout.";
      }
      break;
    }
    case OpenProblem::Kind::kSettings:
      text = std::string(kOpening) +
             ": устройство не приняло настройки линии (2400 бит/с, 8N1). "
             "Возможно, это не последовательный порт.";
      break;
    case OpenProblem::Kind::kOther:
      text = std::string(kOpening) + ": устройство не открывается.";
      break;
  }
  return text + "\n\n" + path + ": " + problem.reason;
}
