#pragma once

class QJsonValue;

namespace JsonNumbers {

// A JSON number that is a whole number within int's range. JSON knows only doubles, so "3",
// "3.0" and "3e0" all count, while "3.5", "1e300" and NaN do not.
bool isInteger(const QJsonValue &value);

} // namespace JsonNumbers
