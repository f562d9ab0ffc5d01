#include "slotprintout.h"

#include "cp1251.h"
#include "slotpresenter.h"
#include "stringtable.h"

std::vector<PrintedText> SlotPrintout(const Statistics& statistics, int roundingIndex, int cw,
                                      int lh) {
  std::vector<PrintedText> texts;
  std::string heading(strings::Load(strings::kIntervalHeading));
  heading += strings::Load(roundingIndex == 0 ? strings::kOneSecond : strings::kTenSeconds);
  texts.push_back({8 * cw, lh, heading});
  for (int row = 0; row < kGapRows; ++row) {
    const int y = (5 + row) * lh;
    texts.push_back({8 * cw, y, std::to_string(row)});
    if (row == 0) {
      for (int k = 0; k < kSlotCount; ++k) {
        const int x = 12 * (k + 1) * cw;
        const std::string& number = statistics.txNumber[static_cast<std::size_t>(k)];
        if (!number.empty()) texts.push_back({x, 2 * lh, Cp1251ToUtf8(number.substr(0, 4))});
        texts.push_back({x, 3 * lh, SlotPresenter::FirstTime(statistics, k)});
        texts.push_back({x, 4 * lh, SlotPresenter::LastTime(statistics, k)});
      }
    }
    for (int k = 0; k < kSlotCount; ++k) {
      const auto count =
          statistics.gapCount[static_cast<std::size_t>(k)][static_cast<std::size_t>(row)];
      texts.push_back({12 * (k + 1) * cw, y, std::to_string(count)});
    }
  }
  return texts;
}
