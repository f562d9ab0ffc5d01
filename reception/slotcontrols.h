#pragma once

#include <string>
#include <string_view>

inline constexpr int kSlotCount = 8;

// The controls of the eight transmitter slots, as the statistics see them.
// Texts are the program's 8-bit bytes.
class SlotControls {
 public:
  virtual ~SlotControls() = default;
  virtual std::string NumberText(int slot) const = 0;  // the number edit
  virtual std::string ColumnText(int slot) const = 0;  // the column box
  virtual void SetLevelText(int slot, std::string_view text) = 0;
  virtual void SetColumnText(int slot, std::string_view text) = 0;
  virtual void SetLastLineText(int slot, std::string_view text) = 0;
};
