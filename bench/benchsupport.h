#pragma once

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <vector>

// What the benchmarks share: a summary of their samples, and a settings store of their own so
// a run never touches the user's settings.
namespace BenchSupport {

struct Spread
{
    double min = 0;
    double median = 0;
    double p95 = 0;
    double max = 0;
};

inline Spread spread(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    auto at = [&](double q) {
        return samples[size_t(q * double(samples.size() - 1))];
    };
    return {samples.front(), at(0.5), at(0.95), samples.back()};
}

// Points XDG_CONFIG_HOME at configHome and writes the program's settings file there.
inline bool useSettings(const QString &configHome, const QJsonObject &values)
{
    qputenv("XDG_CONFIG_HOME", configHome.toUtf8());
    QDir().mkpath(configHome + QStringLiteral("/Quendrel"));
    QFile store(configHome + QStringLiteral("/Quendrel/Korvant.json"));
    return store.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           store.write(QJsonDocument(values).toJson()) > 0;
}

} // namespace BenchSupport
