#include "programsettings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace programsettings {

QString FilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Delvarine/Delvarine.conf");
}

QString FileProblem(const QString& path) {
  struct stat status {};
  if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
    return errno == ENOENT ? QString() : QString::fromLocal8Bit(std::strerror(errno));
  }
  if (S_ISDIR(status.st_mode)) return QString::fromUtf8("это папка, а не файл");
  if (!S_ISREG(status.st_mode)) return QString::fromUtf8("это не обычный файл");
  // A file that can be read is used; whether it can be written is asked apart.
  if (::access(QFile::encodeName(path).constData(), R_OK) != 0) {
    return QString::fromLocal8Bit(std::strerror(errno));
  }
  return {};
}

bool IsReadOnly(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat status {};
  return ::stat(name.constData(), &status) == 0 && ::access(name.constData(), W_OK) != 0;
}

std::unique_ptr<QSettings> Open(QString& problem) {
  const QString path = FilePath();
  problem = FileProblem(path);
  if (!problem.isEmpty()) return nullptr;
  auto settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
  if (settings->status() == QSettings::FormatError) {
    problem = QString::fromUtf8("файл повреждён");
  } else if (settings->status() == QSettings::AccessError) {
    problem = QString::fromUtf8("нет доступа");
  }
  if (!problem.isEmpty()) return nullptr;
  return settings;
}

PortTable ReadPortTable(QSettings* settings, bool writeDefaults) {
  PortTable table;
  if (settings == nullptr) return table;
  for (int i = 1; i <= PortTable::kPortCount; ++i) {
    const QString key = QStringLiteral("Devices/") + QString::fromStdString(PortTable::PortName(i));
    if (settings->contains(key)) {
      table.Configure(i, QFile::encodeName(settings->value(key).toString()).toStdString());
    } else if (writeDefaults) {
      settings->setValue(key, QString::fromStdString(PortTable::DefaultPath(i)));
    }
  }
  return table;
}

}  // namespace programsettings
