#pragma once

#include <QString>
#include <filesystem>
#include <string>

class QSettings;

// Where the reading page's log files and tx.txt go: a folder the user sees
// and chooses, by default "Delvarine" in the documents folder. A program
// started from the menu runs in the home folder or in /, so the current
// directory is no place for them.
class LogFolder {
 public:
  static QString DefaultPath();

  void Load(QSettings* settings);
  void Store(QSettings& settings) const;
  void Set(const QString& folder) { path = folder; }
  const QString& Path() const { return path; }
  std::filesystem::path FsPath() const;

  // Creates the folder when it is missing and checks that a file can be
  // made in it. Empty when it can; else what is wrong, in Russian, with the
  // path and the system's reason on a line of their own.
  QString Prepare() const;
  // The same in two steps: the system's part, on any thread (empty, or the
  // system's reason), and the message for a reason.
  static std::string PrepareFolder(const std::filesystem::path& folder);
  QString UnusableText(const std::string& reason) const;

 private:
  QString path = DefaultPath();
};
