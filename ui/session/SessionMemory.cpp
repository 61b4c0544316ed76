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
    connect(session_, &StageSession::AmplifierChanged, this, &SessionMemory::KeepAmplifier);
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
    RecallAmplifier();
}

namespace {

// The amplifier's boxes are kept as their texts, each under its CSV column's
// name, so that what is kept reads back as the boxes read it, faults and all.
const QString kAmplifierGroup = QStringLiteral("Amplifier");
const QString kLowCornerKey = QStringLiteral("LowCorner");

QString KeyOf(std::size_t box) {
    const std::string_view key = core::RuleOf(core::BoxAt(box)).key;
    return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

}  // namespace

void SessionMemory::RecallAmplifier() {
    AmplifierSettings settings = session_->Amplifier();
    for (std::size_t i = 0; i < settings.texts.size(); ++i) {
        if (const std::optional<QString> text = file_.Text(kAmplifierGroup, KeyOf(i)))
            settings.texts[i] = text->toStdString();
    }
    if (const std::optional<QString> corner = file_.Text(kAmplifierGroup, kLowCornerKey))
        settings.lowCorner = corner->toStdString();
    session_->SetAmplifier(settings);
}

void SessionMemory::KeepAmplifier() {
    const AmplifierSettings& settings = session_->Amplifier();
    for (std::size_t i = 0; i < settings.texts.size(); ++i)
        file_.SetText(kAmplifierGroup, KeyOf(i), QString::fromStdString(settings.texts[i]));
    file_.SetText(kAmplifierGroup, kLowCornerKey, QString::fromStdString(settings.lowCorner));
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
