#include "wave/LoopCheck.h"

#include "app/core/NumberText.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace LoopCheck {

namespace {

// The gains of the loop's own start and of what replaces it at step i of n.
struct Gains
{
    double own = 1.0;
    double other = 0.0;
};

Gains gainsAt(qint64 i, qint64 n, Fade fade)
{
    const double w = double(i) / double(n);
    if (fade == Fade::EqualPower) {
        const double angle = w * std::numbers::pi / 2.0;
        return {std::sin(angle), std::cos(angle)};
    }
    return {w, 1.0 - w};
}

// out[i] for i < n takes in other[i], fading from it to the loop's own samples.
void fadeIn(std::vector<double>& out, std::span<const double> other, qint64 n, Fade fade)
{
    for (qint64 i = 0; i < n; ++i) {
        const Gains g = gainsAt(i, n, fade);
        const auto k = size_t(i);
        out[k] = g.own * out[k] + g.other * other[k];
    }
}

} // namespace

QString lengthText(qint64 length, qint64 loopLength)
{
    const QString samples = QString::number(length) + QStringLiteral(" samples, ");
    if (length == loopLength)
        return samples + QStringLiteral("fits the loop");
    const QString side =
        length < loopLength ? QStringLiteral(" short of ") : QStringLiteral(" over ");
    return samples + QString::number(std::abs(length - loopLength)) + side +
           QString::number(loopLength);
}

std::vector<double> fitted(std::span<const double> samples, qint64 loopLength, Fit fit)
{
    std::vector<double> out(samples.begin(), samples.end());
    const auto target = size_t(std::max<qint64>(loopLength, 0));
    if (fit == Fit::Trim && out.size() > target)
        out.resize(target);
    else if (fit != Fit::Trim && out.size() < target)
        out.resize(target, fit == Fit::PadHold && !out.empty() ? out.back() : 0.0);
    return out;
}

Wrap wrapOf(std::span<const double> loop)
{
    Wrap wrap;
    if (loop.empty())
        return wrap;
    wrap.index = qint64(loop.size()) - 1;
    wrap.jump = std::fabs(loop.back() - loop.front());
    wrap.jumpDb = 20.0 * std::log10(wrap.jump); // -inf for no jump at all
    for (size_t i = 1; i < loop.size(); ++i)
        wrap.largestStep = std::max(wrap.largestStep, std::fabs(loop[i] - loop[i - 1]));
    return wrap;
}

QString wrapText(const Wrap& wrap, const QLocale& locale)
{
    if (wrap.index < 0)
        return QStringLiteral("No loop");
    const QString db =
        std::isfinite(wrap.jumpDb)
            ? QStringLiteral(" (%1 dB)").arg(NumberText::Fixed(wrap.jumpDb, 1, locale))
            : QString();
    QString text = QStringLiteral("Loop jump %1%2 after sample %3")
                       .arg(NumberText::Fixed(wrap.jump, 3, locale), db)
                       .arg(wrap.index);
    if (wrap.clicks())
        text += QStringLiteral(", steeper than the sound");
    return text;
}

std::vector<double> crossFaded(std::span<const double> samples, qint64 loopLength, qint64 n,
                               Fade fade)
{
    const qint64 length = std::clamp<qint64>(loopLength, 0, qint64(samples.size()));
    const std::span<const double> loop = samples.first(size_t(length));
    std::vector<double> out(loop.begin(), loop.end());
    n = std::clamp<qint64>(n, 0, length);
    if (n == 0)
        return out;
    if (qint64(samples.size()) >= length + n) {
        fadeIn(out, samples.subspan(size_t(length), size_t(n)), n, fade);
        return out;
    }
    // No sound after the loop: its own tail takes that place and is then cut off.
    n = std::min(n, length / 2);
    fadeIn(out, loop.subspan(size_t(length - n), size_t(n)), n, fade);
    out.resize(size_t(length - n));
    return out;
}

} // namespace LoopCheck
