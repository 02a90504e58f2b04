// The system clipboard as plain Unicode text.
#pragma once

#include "grid/grid_controller.h"

namespace tessary {

class TSystemClipboard : public TClipboardPort {
 public:
  std::u16string GetText() override;
  void SetText(const std::u16string& text) override;
};

}  // namespace tessary
