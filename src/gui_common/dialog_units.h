// Geometry in dialog units of the classic 8-point dialog font (4 horizontal
// units are 7 pixels, 8 vertical units 13), so forms keep their proportions.
#pragma once

#include <QRect>

namespace kavor {

inline QRect Du(int x, int y, int w, int h) {
  auto px = [](int du) { return (du * 7 + 2) / 4; };
  auto py = [](int du) { return (du * 13 + 4) / 8; };
  return QRect(px(x), py(y), px(w), py(h));
}

}  // namespace kavor
