#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>
#include <vector>

#include "ui/session/SettingsFile.h"

class QWidget;

namespace ui {

class StageSession;

// What the stage session keeps between runs. Made as the first side window
// opens: it reads the settings file once, puts what it holds into the
// session, and from then on writes each group of settings as it changes and
// each side window's place as the window is hidden or the program ends.
class SessionMemory : public QObject {
    Q_OBJECT

public:
    explicit SessionMemory(StageSession* session);
    ~SessionMemory() override;

    // Places `window` where it was last left, by its object name, and keeps
    // its place from now on.
    void KeepPlace(QWidget* window);

    std::optional<QString> Text(const QString& group, const QString& key) const {
        return file_.Text(group, key);
    }
    void SetText(const QString& group, const QString& key, const QString& text) {
        file_.SetText(group, key, text);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Recall();
    void RecallAmplifier();
    void KeepAmplifier();
    void SavePlace(const QWidget* window);

    StageSession* session_;
    SettingsFile file_;
    std::vector<QPointer<QWidget>> windows_;
};

}  // namespace ui
