#pragma once

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <optional>
#include <string>

#include "core/Design.h"
#include "core/Spread.h"

namespace ui {

// The side windows' settings between runs, in Qt's settings file
// $XDG_CONFIG_HOME/tindrel/tindrel.conf (~/.config/tindrel/tindrel.conf
// without it). Made only when a side window first needs it, so that a plain
// start reads nothing.
//
// The file is the user's to edit and may be damaged: every group is read
// whole and checked, and one that is missing, of the wrong type, beyond the
// ranges the windows accept or unreadable is answered as absent, so that the
// caller keeps its defaults. Writes are kept by QSettings and reach the disk
// when the event loop is idle, at Sync() or at the end.
class SettingsFile {
public:
    SettingsFile();

    // Where the file is, from the environment as it is now.
    static QString Path();

    std::optional<core::SpreadSettings> Spread() const;
    void SetSpread(const core::SpreadSettings& spread);

    // The real transistor, empty for none; one of the program's parts.
    std::optional<std::string> Part() const;
    void SetPart(const std::string& part);

    std::optional<core::DesignTarget> DesignTarget() const;
    void SetDesignTarget(const core::DesignTarget& target);

    // A window's place and size, as QWidget::saveGeometry gives it, by the
    // window's object name; empty when none is kept.
    QByteArray Geometry(const QString& window) const;
    void SetGeometry(const QString& window, const QByteArray& geometry);

    // For windows whose settings are the texts of their boxes: the text kept
    // under `group`/`key`, of at most kMaxText characters.
    static constexpr int kMaxText = 1000;
    std::optional<QString> Text(const QString& group, const QString& key) const;
    void SetText(const QString& group, const QString& key, const QString& text);

    void Sync() { settings_.sync(); }

private:
    std::optional<double> Number(const QString& key, double low, double high) const;
    void SetNumber(const QString& key, double value);

    QSettings settings_;
};

}  // namespace ui
