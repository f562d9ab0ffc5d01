#include "openproblem.h"

#include <dirent.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "stringtable.h"

namespace {

std::string GroupOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return {};
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (getgrgid_r(status.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return {};
  }
  return found->gr_name;
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
      std::string name;
      std::ifstream comm(base + "/comm");
      std::getline(comm, name);
      if (name.empty()) name.assign(1, '?');
      return name + " (PID " + process->d_name + ")";
    }
  }
  return {};
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
    problem.group = GroupOf(path);
  } else if (error == EBUSY) {
    problem.kind = OpenProblem::Kind::kBusy;
  } else {
    problem.kind = OpenProblem::Kind::kOther;
  }
  if (problem.kind == OpenProblem::Kind::kBusy) problem.holder = FindDeviceHolder(path);
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
      return "cannot open " + path + ": permission denied. The device belongs to the group " +
             group + "; join it (sudo adduser $USER " + group + ") and log in again.";
    }
    case OpenProblem::Kind::kBusy:
      return "cannot open " + path + ": the port is busy" +
             (problem.holder.empty() ? std::string() : ", held by " + problem.holder) + " (" +
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
      text = std::string(kOpening) + ": нет прав на это устройство. Им могут пользоваться " +
             "члены группы «" + group + "». Добавьте себя в неё командой\nsudo adduser $USER " +
             group + "\nи войдите в систему заново.";
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
