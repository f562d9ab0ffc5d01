#include "logfolder.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "programsettings.h"
#include "systemtext.h"

QString LogFolder::DefaultPath() {
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  return documents + QStringLiteral("/Delvarine");
}

void LogFolder::Load(QSettings* settings) {
  path = DefaultPath();
  if (settings == nullptr) return;
  const QString stored = settings->value(programsettings::kLogFolderKey).toString();
  if (!stored.isEmpty()) path = stored;
}

void LogFolder::Store(QSettings& settings) const {
  settings.setValue(programsettings::kLogFolderKey, path);
}

std::filesystem::path LogFolder::FsPath() const {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

std::string LogFolder::PrepareFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!ec && !std::filesystem::is_directory(folder, ec)) {
    ec = std::make_error_code(std::errc::not_a_directory);
  }
  if (!ec && ::access(folder.c_str(), W_OK | X_OK) != 0) {
    ec = std::error_code(errno, std::generic_category());
  }
  return ec ? ec.message() : std::string();
}

QString LogFolder::UnusableText(const std::string& reason) const {
  return QString::fromUtf8(
             "Папка журналов недоступна для записи; чтение не начато. Выберите "
             "другую папку кнопкой «Выбрать…».\n\n") +
         path + QStringLiteral(": ") + QString::fromStdString(InRussian(reason));
}

QString LogFolder::Prepare() const {
  const std::string reason = PrepareFolder(FsPath());
  return reason.empty() ? QString() : UnusableText(reason);
}
