#include "store/createdname.h"

#include <cmath>
#include <random>

namespace wo::store {

namespace {

double systemRandom() {
    thread_local std::mt19937_64 generator{[] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }()};
    return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
}

} // namespace

createdname::createdname(Clock clock, Random random)
    : m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); })),
      m_random(random ? std::move(random) : Random(systemRandom)) {}

QString createdname::CreateName() const {
    const QDateTime now = m_clock();
    const QDate d = now.date();
    const QTime t = now.time();
    QString name;
    const std::pair<int, qint16> parts[] = {{d.year(), 4}, {d.month(), 2},  {d.day(), 2},
                                            {t.hour(), 2}, {t.minute(), 2}, {t.second(), 2}};
    for (const auto& [value, width] : parts)
        name += PadWithZeros(QString::number(value), width);
    const auto random = static_cast<qint64>(std::floor(m_random() * 1000000.0));
    return name + PadWithZeros(QString::number(std::clamp<qint64>(random, 0, 999999)), 6);
}

QString createdname::PadWithZeros(const QString& text, qint16 width) {
    const QString trimmed = text.trimmed();
    return RepeatText(static_cast<qint16>(width - trimmed.size()), QStringLiteral("0")) + trimmed;
}

QString createdname::RepeatText(qint16 count, const QString& text) {
    return count > 0 ? text.repeated(count) : QString();
}

} // namespace wo::store
