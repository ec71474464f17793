#pragma once
// Panes built from lines, for the tests of the text layer.

#include <string>
#include <utility>
#include <vector>

#include "numbers/pane.h"

namespace kelvaro {

using Lines = std::vector<std::string>;

inline Pane paneOf(Lines lines) {
  Pane p;
  p.setLines(std::move(lines));
  return p;
}

}  // namespace kelvaro
