#include "lognotices.h"

#include <QStringList>

#include "pagetext.h"

QString LogEndNotice(const LogOutcome& outcome) {
  const QString path = QString::fromStdString(outcome.path.string());
  const QString problem = SystemText(outcome.problem);
  if (outcome.path.empty()) {
    return QString::fromUtf8(
               "Файл журнала был удалён, и сохранить его копию не удалось ни в папке "
               "журналов, ни в другом месте. Строки этого чтения потеряны: %1.\n\n")
               .arg(outcome.lostLines) +
           problem;
  }
  QStringList parts;
  if (outcome.inFallback) {
    parts << QString::fromUtf8(
                 "Папка журналов не принимает файл, поэтому журнал сохранён в другом "
                 "месте. Перенесите его в нужную папку:\n") +
                 path;
  }
  if (outcome.lostLines > 0) {
    parts << QString::fromUtf8("В журнал не записано строк: %1.").arg(outcome.lostLines);
  }
  if (outcome.unsureLines > 0) {
    parts << QString::fromUtf8("Диск не подтвердил запись строк: %1; их может не быть в файле.")
                 .arg(outcome.unsureLines);
  }
  if (!outcome.ended) {
    parts << QString::fromUtf8("В конце журнала нет «End» и таблицы интервалов.");
  }
  if (parts.isEmpty()) {
    parts << QString::fromUtf8("Запись журнала на диск завершилась с ошибкой.");
  }
  if (!outcome.inFallback) parts << path;
  return parts.join(QStringLiteral("\n")) + QStringLiteral("\n\n") + problem;
}

QString LogFolderHungText(const QString& folder) {
  return QString::fromUtf8(
             "Папка журналов не отвечает; чтение не начато. Если она на сетевом или "
             "съёмном диске, проверьте его или выберите другую папку кнопкой "
             "«Выбрать…».\n\n") +
         folder;
}
