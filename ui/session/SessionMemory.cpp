#include "ui/session/SessionMemory.h"

#include <QEvent>
#include <QWidget>

#include "ui/session/StageSession.h"

namespace ui {

SessionMemory::SessionMemory(StageSession* session) : QObject(session), session_(session) {
    Recall();
    // Connected only now, so that recalling writes nothing back.
    connect(session_, &StageSession::SpreadSettingsChanged, this,
            [this](const core::SpreadSettings& spread) { file_.SetSpread(spread); });
    connect(session_, &StageSession::PartChanged, this,
            [this](const std::string& part) { file_.SetPart(part); });
    connect(session_, &StageSession::DesignTargetChanged, this,
            [this](const core::DesignTarget& target) { file_.SetDesignTarget(target); });
}

SessionMemory::~SessionMemory() {
    // The program ends: the windows still open keep where they are.
    for (const QPointer<QWidget>& window : windows_) {
        if (window && window->isVisible()) SavePlace(window);
    }
}

void SessionMemory::Recall() {
    if (const std::optional<core::SpreadSettings> spread = file_.Spread()) {
        const auto& last = session_->LastCalculation();
        // Ends that follow Beta follow this run's.
        session_->SetSpreadSettings(last ? core::FollowBeta(*spread, last->stage.Beta) : *spread);
    }
    if (const std::optional<std::string> part = file_.Part()) session_->SetPart(*part);
    if (const std::optional<core::DesignTarget> target = file_.DesignTarget())
        session_->SetDesignTarget(*target);
}

void SessionMemory::KeepPlace(QWidget* window) {
    const QByteArray geometry = file_.Geometry(window->objectName());
    // restoreGeometry refuses what it did not write and brings a window
    // that would lie off every screen back onto one.
    if (!geometry.isEmpty()) window->restoreGeometry(geometry);
    window->installEventFilter(this);
    windows_.emplace_back(window);
}

bool SessionMemory::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched->isWidgetType())
        SavePlace(static_cast<QWidget*>(watched));
    return QObject::eventFilter(watched, event);
}

void SessionMemory::SavePlace(const QWidget* window) {
    file_.SetGeometry(window->objectName(), window->saveGeometry());
}

}  // namespace ui
