#include "CardTestSupport.h"

#include <cstdlib>

namespace quillbox::testing {

bool isNear(QColor actual, QColor expected, int tolerance) {
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance;
}

} // namespace quillbox::testing
