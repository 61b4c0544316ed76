#include "ui/session/SettingsFile.h"

#include <QStandardPaths>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "sim/Models.h"

namespace ui {
namespace {

// Far beyond any stage the windows are used for, and far below where a
// calculation overflows.
constexpr double kLarge = 1e9;
// The spread's temperatures, as the spread form accepts them (tolerances lie
// from 0 to below 100 %).
constexpr double kColdest = -55;
constexpr double kHottest = 150;
// A geometry as QWidget::saveGeometry writes it is under a hundred bytes.
constexpr int kMaxGeometry = 1024;

// The shortest text that reads back as the same double, "." as the point
// whatever the locale.
QString NumberText(double value) {
    std::array<char, 32> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc()) return {};
    return QString::fromLatin1(digits.data(), static_cast<int>(end - digits.data()));
}

}  // namespace

SettingsFile::SettingsFile() : settings_(Path(), QSettings::IniFormat) {}

QString SettingsFile::Path() {
    // Named in full rather than by organisation and application: QSettings
    // takes the folder from the environment only once per process.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tindrel/tindrel.conf");
}

// The number under `key`, when it is a whole number text in [low, high]; a
// text is read whole by std::from_chars, without locale, so that no
// "12abc", "nan" or "1e999" passes.
std::optional<double> SettingsFile::Number(const QString& key, double low, double high) const {
    const QVariant stored = settings_.value(key);
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    const QByteArray text = stored.toString().toLatin1();
    double value = 0;
    const char* end = text.constData() + text.size();
    const auto [stop, error] = std::from_chars(text.constData(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

void SettingsFile::SetNumber(const QString& key, double value) {
    settings_.setValue(key, NumberText(value));
}

std::optional<core::SpreadSettings> SettingsFile::Spread() const {
    const auto hfeFrom = Number(QStringLiteral("spread/hfeFrom"), 0, kLarge);
    const auto hfeTo = Number(QStringLiteral("spread/hfeTo"), 0, kLarge);
    const auto resistors = Number(QStringLiteral("spread/resistorTolerance"), 0, 100);
    const auto vcc = Number(QStringLiteral("spread/vccTolerance"), 0, 100);
    const auto coldest = Number(QStringLiteral("spread/temperatureFrom"), kColdest, kHottest);
    const auto hottest = Number(QStringLiteral("spread/temperatureTo"), kColdest, kHottest);
    const QVariant follows = settings_.value(QStringLiteral("spread/hfeFollowsBeta"));
    if (!hfeFrom || !hfeTo || !resistors || !vcc || !coldest || !hottest ||
        follows.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    const QString followsText = follows.toString();
    if (followsText != QLatin1String("true") && followsText != QLatin1String("false"))
        return std::nullopt;
    if (!(*hfeFrom > 0) || *hfeFrom > *hfeTo || *coldest > *hottest || !(*resistors < 100) ||
        !(*vcc < 100)) {
        return std::nullopt;
    }
    core::SpreadSettings spread;
    spread.hfeFrom = *hfeFrom;
    spread.hfeTo = *hfeTo;
    spread.resistorTolerance = *resistors;
    spread.vccTolerance = *vcc;
    spread.temperatureFrom = *coldest;
    spread.temperatureTo = *hottest;
    spread.hfeFollowsBeta = followsText == QLatin1String("true");
    return spread;
}

void SettingsFile::SetSpread(const core::SpreadSettings& spread) {
    SetNumber(QStringLiteral("spread/hfeFrom"), spread.hfeFrom);
    SetNumber(QStringLiteral("spread/hfeTo"), spread.hfeTo);
    SetNumber(QStringLiteral("spread/resistorTolerance"), spread.resistorTolerance);
    SetNumber(QStringLiteral("spread/vccTolerance"), spread.vccTolerance);
    SetNumber(QStringLiteral("spread/temperatureFrom"), spread.temperatureFrom);
    SetNumber(QStringLiteral("spread/temperatureTo"), spread.temperatureTo);
    settings_.setValue(QStringLiteral("spread/hfeFollowsBeta"),
                       spread.hfeFollowsBeta ? QStringLiteral("true") : QStringLiteral("false"));
}

std::optional<std::string> SettingsFile::Part() const {
    const QVariant stored = settings_.value(QStringLiteral("spice/part"));
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    const std::string part = stored.toString().toStdString();
    // A part of the user's own may be chosen; one since removed chooses none.
    if (!part.empty() && !sim::IsValidPartName(part)) return std::nullopt;
    return part;
}

void SettingsFile::SetPart(const std::string& part) {
    settings_.setValue(QStringLiteral("spice/part"), QString::fromStdString(part));
}

std::optional<core::DesignTarget> SettingsFile::DesignTarget() const {
    const auto vcc = Number(QStringLiteral("design/Vcc"), 0, kLarge);
    const auto ic = Number(QStringLiteral("design/Ic"), 0, kLarge);
    const auto vce = Number(QStringLiteral("design/Vce"), 0, kLarge);
    const auto veShare = Number(QStringLiteral("design/VeShare"), 0, 100);
    const auto beta = Number(QStringLiteral("design/Beta"), 0, kLarge);
    const auto stiffness = Number(QStringLiteral("design/stiffness"), 0, kLarge);
    const QString material = settings_.value(QStringLiteral("design/material")).toString();
    const QString series = settings_.value(QStringLiteral("design/series")).toString();
    if (!vcc || !ic || !vce || !veShare || !beta || !stiffness) return std::nullopt;
    core::DesignTarget target;
    target.Vcc = *vcc;
    // Kept in milliamperes, as the design window's box shows it.
    target.Ic = core::AmperesFromMilliamperes(*ic);
    target.Vce = *vce;
    target.VeShare = *veShare;
    target.Beta = *beta;
    target.stiffness = *stiffness;
    if (material == QLatin1String("Si")) {
        target.material = core::Material::Silicon;
    } else if (material == QLatin1String("Ge")) {
        target.material = core::Material::Germanium;
    } else {
        return std::nullopt;
    }
    const auto named =
        std::find_if(std::begin(core::kAllSeries), std::end(core::kAllSeries),
                     [&](core::Series s) { return series.toStdString() == core::SeriesName(s); });
    if (named == std::end(core::kAllSeries)) return std::nullopt;
    target.series = *named;
    return target;
}

void SettingsFile::SetDesignTarget(const core::DesignTarget& target) {
    SetNumber(QStringLiteral("design/Vcc"), target.Vcc);
    SetNumber(QStringLiteral("design/Ic"), core::MilliamperesFromAmperes(target.Ic));
    SetNumber(QStringLiteral("design/Vce"), target.Vce);
    SetNumber(QStringLiteral("design/VeShare"), target.VeShare);
    SetNumber(QStringLiteral("design/Beta"), target.Beta);
    SetNumber(QStringLiteral("design/stiffness"), target.stiffness);
    settings_.setValue(
        QStringLiteral("design/material"),
        target.material == core::Material::Germanium ? QStringLiteral("Ge") : QStringLiteral("Si"));
    settings_.setValue(QStringLiteral("design/series"),
                       QString::fromLatin1(core::SeriesName(target.series)));
}

QByteArray SettingsFile::Geometry(const QString& window) const {
    const QVariant stored = settings_.value(QStringLiteral("geometry/") + window);
    // QWidget::restoreGeometry checks the rest: its mark, its version, and
    // that the window lands on a screen.
    if (stored.typeId() != QMetaType::QByteArray) return {};
    const QByteArray geometry = stored.toByteArray();
    return geometry.size() <= kMaxGeometry ? geometry : QByteArray();
}

void SettingsFile::SetGeometry(const QString& window, const QByteArray& geometry) {
    settings_.setValue(QStringLiteral("geometry/") + window, geometry);
}

std::optional<QString> SettingsFile::Text(const QString& group, const QString& key) const {
    const QVariant stored = settings_.value(group + QLatin1Char('/') + key);
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    const QString text = stored.toString();
    if (text.size() > kMaxText) return std::nullopt;
    return text;
}

void SettingsFile::SetText(const QString& group, const QString& key, const QString& text) {
    settings_.setValue(group + QLatin1Char('/') + key, text.left(kMaxText));
}

}  // namespace ui
