#include "binscsv.h"

#include "logloader.h"

std::string BinsCsv(const GraphData& data) {
  std::string csv = "minute,time,receptions,peak_level\r\n";
  const int start = MinutesOf(data.firstText);
  for (int minute = 0; minute < data.spanMinutes; ++minute) {
    const auto index = static_cast<std::size_t>(minute);
    const bool inTable = index < GraphData::kBinCount;
    const int ofDay = ((start + minute) % 1440 + 1440) % 1440;
    const int hour = ofDay / 60;
    const int rest = ofDay % 60;
    csv += std::to_string(minute);
    csv += ',';
    csv += static_cast<char>('0' + hour / 10);
    csv += static_cast<char>('0' + hour % 10);
    csv += ':';
    csv += static_cast<char>('0' + rest / 10);
    csv += static_cast<char>('0' + rest % 10);
    csv += ',';
    csv += std::to_string(inTable ? data.receptionCounts[index] : 0);
    csv += ',';
    csv += std::to_string(inTable ? static_cast<int>(data.peakLevels[index]) : 0);
    csv += "\r\n";
  }
  return csv;
}
