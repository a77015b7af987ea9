#pragma once

#include "TestContent.h"
#include "history/HistoryStore.h"

#include <QColor>

namespace quillbox::testing {

// Colours within a small distance of each other (antialiasing, blending).
bool isNear(QColor actual, QColor expected, int tolerance = 24);

} // namespace quillbox::testing
