#include "platform/jsonnumbers.h"

#include <QJsonValue>
#include <cmath>
#include <limits>

bool JsonNumbers::isInteger(const QJsonValue &value)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    // The range first: converting a double beyond it to an integer is undefined.
    return d >= std::numeric_limits<int>::min() && d <= std::numeric_limits<int>::max() &&
           std::trunc(d) == d;
}
